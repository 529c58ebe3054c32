// The room under the memory limits of control groups and of the process, from
// texts as the kernel writes them and from a made-up hierarchy of groups:
// nothing here reads the machine's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "servicos/plataforma/limites_memoria.hpp"

namespace {

using servicos::plataforma::folga_do_grupo;
using servicos::plataforma::folga_do_processo;
using servicos::plataforma::FolgaDoProcesso;
using servicos::plataforma::LimiteDoProcesso;
using servicos::plataforma::LimitesDoProcesso;
using servicos::plataforma::grupo_de_memoria_antigo;
using servicos::plataforma::grupo_unificado;
using servicos::plataforma::memoria_sob_grupos;

TEST(LimitesMemoria, GrupoDaHierarquiaUnificadaEDaAntiga) {
    struct Caso {
        std::string_view texto, unificado, memoria_antiga;
    };
    const Caso casos[] = {
        {"0::/user.slice/app.scope\n", "/user.slice/app.scope", ""},
        {"0::/a", "/a", ""},
        // Older hierarchies, one line per controller, before the unified one.
        {"12:memory:/docker/abc\n1:name=systemd:/docker/abc\n0::/docker/abc\n", "/docker/abc", "/docker/abc"},
        {"4:memory:/docker/abc\n10:cpu:/x\n", "", "/docker/abc"},
        {"10:cpu:/x\n5:cpuacct,memory:/y\n", "", "/y"},
        {"4:memoryless:/x\n3:name=memory:/z\n", "", ""},
        {"4:memory:/../fora\n", "", ""},
        {"0::/\n", "/", ""},
        {"0::/../vizinho\n", "", ""},
        {"0::/a/..b\n", "/a/..b", ""},
        {"", "", ""},
    };
    for (const Caso& caso : casos) {
        EXPECT_EQ(grupo_unificado(caso.texto), caso.unificado) << caso.texto;
        EXPECT_EQ(grupo_de_memoria_antigo(caso.texto), caso.memoria_antiga) << caso.texto;
    }
}

TEST(LimitesMemoria, FolgaSobOLimiteDeUmGrupo) {
    struct Caso {
        std::string_view maximo, atual, estatisticas;
        std::optional<std::uint64_t> folga;
    };
    const Caso casos[] = {
        {"1073741824\n", "1048576\n", "", 1072693248},
        {"max\n", "1048576\n", "", std::nullopt},
        {"1000\n", "4000\n", "", 0},
        {"", "100\n", "", std::nullopt},        // unreadable
        {"1000\n", "", "", std::nullopt},
        {"1e3\n", "100\n", "", std::nullopt},   // garbage
        {"1000\n", "-1\n", "", std::nullopt},
        {"18446744073709551616\n", "100\n", "", std::nullopt},  // past 64 bits
        // Inactive file pages count as room, up to all the group holds.
        {"1000\n", "900\n", "anon 500\nfile 400\ninactive_file 300\nactive_file 100\n", 400},
        {"1000\n", "1200\n", "inactive_file 300\n", 100},
        {"1000\n", "900\n", "inactive_file 5000\n", 1000},
        // The older hierarchy counts those of the group's descendants too.
        {"1000\n", "900\n", "inactive_file 100\ntotal_inactive_file 400\n", 500},
        {"9223372036854771712\n", "900\n", "", 9223372036854770812u},  // its "no limit"
    };
    for (const Caso& caso : casos)
        EXPECT_EQ(folga_do_grupo(caso.maximo, caso.atual, caso.estatisticas), caso.folga)
            << caso.maximo << caso.atual << caso.estatisticas;
}

// The files of a made-up machine, by path.
const std::map<std::string, std::string>* arquivos = nullptr;

std::string_view ler_arquivo(const char* caminho, char* destino, std::size_t capacidade) {
    const auto achado = arquivos->find(caminho);
    if (achado == arquivos->end()) return {};
    const std::size_t tamanho = std::min(capacidade, achado->second.size());
    std::copy_n(achado->second.data(), tamanho, destino);
    return {destino, tamanho};
}

TEST(LimitesMemoria, MenorFolgaDoGrupoEDosDeCima) {
    struct Caso {
        const char* nome;
        std::uint64_t maquina;
        std::map<std::string, std::string> arquivos;
        std::uint64_t esperada;
    };
    const std::string raiz = "/sys/fs/cgroup";
    const std::string antiga = "/sys/fs/cgroup/memory";
    const std::string montagem_antiga =
        "30 22 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
        "33 30 0:30 / /sys/fs/cgroup/cpuset rw,relatime - cgroup cgroup rw,cpuset\n"
        "34 30 0:31 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n";
    const Caso casos[] = {
        {"SoHierarquiasAntigas", 5000, {{"/proc/self/cgroup", "4:memory:/x\n"}, {raiz + "/x/memory.max", "9\n"},
                                        {raiz + "/x/memory.current", "1\n"}}, 5000},
        {"RaizSemLimite", 5000, {{"/proc/self/cgroup", "0::/\n"}}, 5000},
        {"AcimaMaisApertado", 10000,
         {{"/proc/self/cgroup", "0::/a/b\n"},
          {raiz + "/memory.max", "8000\n"}, {raiz + "/memory.current", "1000\n"},
          {raiz + "/a/memory.max", "5000\n"}, {raiz + "/a/memory.current", "1000\n"},
          {raiz + "/a/b/memory.max", "max\n"}, {raiz + "/a/b/memory.current", "900\n"}},
         4000},
        {"RaizVistaMaisApertada", 10000,
         {{"/proc/self/cgroup", "0::/a/b\n"},
          {raiz + "/memory.max", "3000\n"}, {raiz + "/memory.current", "1000\n"},
          {raiz + "/a/b/memory.max", "5000\n"}, {raiz + "/a/b/memory.current", "1000\n"},
          {raiz + "/a/b/memory.stat", "inactive_file 500\n"}},
         2000},
        {"MaquinaMaisApertada", 500,
         {{"/proc/self/cgroup", "0::/a\n"}, {raiz + "/a/memory.max", "5000\n"}, {raiz + "/a/memory.current", "1\n"}},
         500},
        {"MaquinaDesconhecida", 0,
         {{"/proc/self/cgroup", "0::/a\n"}, {raiz + "/a/memory.max", "5000\n"}, {raiz + "/a/memory.current", "1\n"}},
         4999},
        // A group at its limit gives no room at all, which must not read as
        // "unknown".
        {"GrupoNoLimite", 5000,
         {{"/proc/self/cgroup", "0::/a\n"}, {raiz + "/a/memory.max", "5000\n"}, {raiz + "/a/memory.current", "6000\n"}},
         1},
        {"NadaConhecido", 0, {}, 0},
        // The older hierarchy of the memory controller, where its mount shows it.
        {"AntigaApertada", 10000,
         {{"/proc/self/cgroup", "4:memory:/a/b\n0::/\n"},
          {"/proc/self/mountinfo", montagem_antiga},
          {antiga + "/memory.limit_in_bytes", "9223372036854771712\n"}, {antiga + "/memory.usage_in_bytes", "3000\n"},
          {antiga + "/a/b/memory.limit_in_bytes", "5000\n"}, {antiga + "/a/b/memory.usage_in_bytes", "1000\n"},
          {antiga + "/a/b/memory.stat", "inactive_file 100\ntotal_inactive_file 500\n"}},
         4500},
        {"AntigaAcimaMaisApertada", 10000,
         {{"/proc/self/cgroup", "4:memory:/a/b\n"},
          {"/proc/self/mountinfo", montagem_antiga},
          {antiga + "/a/memory.limit_in_bytes", "3000\n"}, {antiga + "/a/memory.usage_in_bytes", "2500\n"},
          {antiga + "/a/b/memory.limit_in_bytes", "5000\n"}, {antiga + "/a/b/memory.usage_in_bytes", "1000\n"}},
         500},
        // A container sees its own group as the root of the mount.
        {"AntigaNoConteiner", 10000,
         {{"/proc/self/cgroup", "4:memory:/docker/x\n"},
          {"/proc/self/mountinfo", "40 30 0:40 /docker/x /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n"},
          {antiga + "/memory.limit_in_bytes", "2000\n"}, {antiga + "/memory.usage_in_bytes", "500\n"}},
         1500},
        {"AntigaSemMontagem", 10000,
         {{"/proc/self/cgroup", "4:memory:/a\n"}, {antiga + "/a/memory.limit_in_bytes", "5000\n"},
          {antiga + "/a/memory.usage_in_bytes", "1000\n"}},
         10000},
        {"UnificadaMaisApertadaQueAAntiga", 10000,
         {{"/proc/self/cgroup", "4:memory:/a\n0::/u\n"},
          {"/proc/self/mountinfo", montagem_antiga},
          {antiga + "/a/memory.limit_in_bytes", "5000\n"}, {antiga + "/a/memory.usage_in_bytes", "1000\n"},
          {raiz + "/u/memory.max", "3000\n"}, {raiz + "/u/memory.current", "1000\n"}},
         2000},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        arquivos = &caso.arquivos;
        EXPECT_EQ(memoria_sob_grupos(caso.maquina, &ler_arquivo), caso.esperada);
    }
    arquivos = nullptr;
}

// The process's limits (ulimit -v, ulimit -d), each less what the process
// maps under it.
TEST(LimitesMemoria, FolgaSobOsLimitesDoProcesso) {
    constexpr std::uint64_t MiB = 1 << 20;
    const std::string_view status = "Name:\tdifusao_calor\nVmPeak:\t    7000 kB\nVmSize:\t    6144 kB\n"
                                    "VmData:\t    1024 kB\nVmStk:\t     132 kB\n";
    using enum LimiteDoProcesso;
    struct Caso {
        const char* nome;
        LimitesDoProcesso limites;
        std::string_view status;
        std::optional<FolgaDoProcesso> folga;
    };
    const Caso casos[] = {
        {"SemLimites", {}, status, std::nullopt},
        {"EspacoMenosOQueJaEstaMapeado", {100 * MiB, {}}, status, FolgaDoProcesso{94 * MiB, espaco_de_enderecos}},
        {"DadosMaisApertados", {100 * MiB, 50 * MiB}, status, FolgaDoProcesso{49 * MiB, dados}},
        {"EspacoMaisApertado", {20 * MiB, 50 * MiB}, status, FolgaDoProcesso{14 * MiB, espaco_de_enderecos}},
        // Already past the limit: no room at all.
        {"JaAlemDoLimite", {4 * MiB, {}}, status, FolgaDoProcesso{0, espaco_de_enderecos}},
        // Counts that cannot be read leave the whole limit as room.
        {"StatusIlegivel", {100 * MiB, {}}, "", FolgaDoProcesso{100 * MiB, espaco_de_enderecos}},
        {"ContagemSemUnidade", {100 * MiB, {}}, "VmSize:\t6144\n", FolgaDoProcesso{100 * MiB, espaco_de_enderecos}},
        {"ContagemQuePassa64Bits", {100 * MiB, {}}, "VmSize: 18446744073709551615 kB\n",
         FolgaDoProcesso{100 * MiB, espaco_de_enderecos}},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        const std::optional<FolgaDoProcesso> folga = folga_do_processo(caso.limites, caso.status);
        ASSERT_EQ(folga.has_value(), caso.folga.has_value());
        if (!folga) continue;
        EXPECT_EQ(folga->bytes, caso.folga->bytes);
        EXPECT_EQ(folga->limite, caso.folga->limite);
    }
}

}  // namespace
