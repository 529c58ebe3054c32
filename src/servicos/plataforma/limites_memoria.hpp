// The memory left under the limits of Linux control groups and under the
// process's own limits, worked out from the texts that the kernel gives and
// the limits it reports (limites_memoria.cpp, no system call of its own), so
// that the POSIX memory check can be tried on any text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "servicos/plataforma/plataforma.hpp"

namespace servicos::plataforma {

// The path of the process's group in the unified hierarchy: the "0::/path"
// line of the text of /proc/self/cgroup, the lines of the older hierarchies
// (one per controller, "4:memory:/path") ignored. Empty when there is no such
// line, or when its path reaches above the root that the process sees
// ("/../x", a group outside its namespace).
std::string_view grupo_unificado(std::string_view texto_cgroup);

// The path of the process's group in the older hierarchy of the memory
// controller: the "4:memory:/path" line of the text of /proc/self/cgroup (the
// controller may share its line: "4:cpu,memory:/path"). Empty as above.
std::string_view grupo_de_memoria_antigo(std::string_view texto_cgroup);

// Where that hierarchy is mounted, from the text of /proc/self/mountinfo: the
// mount point, and the path of the group that shows as its root (a container
// sees its own group there). Empty when it is not mounted.
struct MontagemDeGrupos {
    std::string_view ponto;
    std::string_view raiz;
};
MontagemDeGrupos montagem_de_memoria_antiga(std::string_view texto_mountinfo);

// The room under one group's limit, from the texts of its limit (memory.max;
// memory.limit_in_bytes in the older hierarchy), of what it holds
// (memory.current; memory.usage_in_bytes) and of memory.stat: the limit less
// what the group holds, its inactive file pages (which the kernel drops
// before it refuses the group anything; those of the group and its
// descendants where the stat gives them) not counted as held; 0 when it
// holds the limit or more. None when the limit is "max" or either count is
// not a number.
std::optional<std::uint64_t> folga_do_grupo(std::string_view maximo, std::string_view atual,
                                            std::string_view estatisticas);

// Reads the file at `caminho` into `destino` (at most `capacidade` bytes):
// the text read, empty when the file cannot be read.
using LerTexto = std::string_view (*)(const char* caminho, char* destino, std::size_t capacidade);

// The smaller of `maquina` (what the machine can give, 0 when unknown) and the
// room under the limits of the process's group and of every group above it,
// in the unified hierarchy (up to /sys/fs/cgroup) and in the older one of the
// memory controller (up to its mount point), all read through `ler`. 0 when neither is known; a
// known answer is at least 1, so that a group at its limit is not taken for
// one that says nothing.
std::uint64_t memoria_sob_grupos(std::uint64_t maquina, LerTexto ler);

// The process's own limits as getrlimit gives them, in bytes; none where the
// limit is infinite.
struct LimitesDoProcesso {
    std::optional<std::uint64_t> espaco_de_enderecos;  // RLIMIT_AS (ulimit -v): every mapping counts
    std::optional<std::uint64_t> dados;                // RLIMIT_DATA (ulimit -d): the heap and private writable mappings
};

// The room under those limits: each less what the process already maps under
// it, VmSize and VmData (kB) of the text of /proc/self/status, 0 when it maps
// that much or more, and the limit that leaves the least. A limit whose count
// the text lacks is all room: it then refuses nothing that the system itself
// would give. None when neither limit is set.
std::optional<FolgaDoProcesso> folga_do_processo(const LimitesDoProcesso& limites, std::string_view texto_status);

}  // namespace servicos::plataforma
