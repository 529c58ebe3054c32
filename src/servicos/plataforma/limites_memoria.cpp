// The room under the memory limits of Linux control groups, from the texts of
// /proc/self/cgroup, /proc/self/mountinfo and of the groups' memory.* files,
// and under the process's own limits, from /proc/self/status.
#include "servicos/plataforma/limites_memoria.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace servicos::plataforma {

namespace {

constexpr std::string_view raiz_grupos = "/sys/fs/cgroup";

// Room for the path of a group and the name of its longest file, and for the
// texts read: a count of bytes, memory.stat (about 1.5 KiB), the list of the
// process's groups.
constexpr std::size_t tamanho_caminho = 4096 + 64;
constexpr std::size_t tamanho_numero = 32;
constexpr std::size_t tamanho_texto = 8192;
// /proc/self/mountinfo: a line per mount, a few KiB on most machines.
constexpr std::size_t tamanho_montagens = 32768;

// A decimal count of bytes, then at most a line feed; none for anything else
// ("max", an empty text, a count past 2^64 - 1).
std::optional<std::uint64_t> bytes_do_texto(std::string_view texto) {
    if (!texto.empty() && texto.back() == '\n') texto.remove_suffix(1);
    std::uint64_t valor = 0;
    const char* fim = texto.data() + texto.size();
    const auto [parou, erro] = std::from_chars(texto.data(), fim, valor);
    if (erro != std::errc() || parou != fim) return std::nullopt;
    return valor;
}

// The line of `texto` that begins with `inicio`, without it; none when absent.
std::optional<std::string_view> linha_que_comeca(std::string_view texto, std::string_view inicio) {
    for (std::size_t j = 0; j < texto.size();) {
        const std::size_t quebra = std::min(texto.find('\n', j), texto.size());
        const std::string_view linha = texto.substr(j, quebra - j);
        if (linha.substr(0, inicio.size()) == inicio) return linha.substr(inicio.size());
        j = quebra + 1;
    }
    return std::nullopt;
}

bool sobe_acima_da_raiz(std::string_view caminho) {
    for (std::size_t j = caminho.find("/.."); j != std::string_view::npos; j = caminho.find("/..", j + 1))
        if (j + 3 == caminho.size() || caminho[j + 3] == '/') return true;
    return false;
}

// The path of a group as /proc/self/cgroup gives it, empty when it is none
// the process can see.
std::string_view caminho_visivel(std::string_view caminho) {
    if (caminho.empty() || caminho.front() != '/' || sobe_acima_da_raiz(caminho)) return {};
    return caminho;
}

// The next field of `texto` up to `separador` (the rest when there is none).
std::string_view proximo_campo(std::string_view& texto, char separador) {
    const std::size_t fim = std::min(texto.find(separador), texto.size());
    const std::string_view campo = texto.substr(0, fim);
    texto.remove_prefix(std::min(fim + 1, texto.size()));
    return campo;
}

// Whether the comma-separated `lista` holds `item`.
bool lista_tem(std::string_view lista, std::string_view item) {
    while (!lista.empty())
        if (proximo_campo(lista, ',') == item) return true;
    return false;
}

}  // namespace

std::string_view grupo_unificado(std::string_view texto_cgroup) {
    const std::optional<std::string_view> caminho = linha_que_comeca(texto_cgroup, "0::");
    return caminho ? caminho_visivel(*caminho) : std::string_view();
}

std::string_view grupo_de_memoria_antigo(std::string_view texto_cgroup) {
    while (!texto_cgroup.empty()) {
        std::string_view linha = proximo_campo(texto_cgroup, '\n');
        proximo_campo(linha, ':');
        if (lista_tem(proximo_campo(linha, ':'), "memory")) return caminho_visivel(linha);
    }
    return {};
}

MontagemDeGrupos montagem_de_memoria_antiga(std::string_view texto_mountinfo) {
    // "36 30 0:31 /root /mount/point options - cgroup cgroup rw,memory"
    while (!texto_mountinfo.empty()) {
        std::string_view linha = proximo_campo(texto_mountinfo, '\n');
        const std::size_t tracinho = linha.find(" - ");
        if (tracinho == std::string_view::npos) continue;
        std::string_view depois = linha.substr(tracinho + 3);
        if (proximo_campo(depois, ' ') != "cgroup") continue;
        proximo_campo(depois, ' ');
        if (!lista_tem(proximo_campo(depois, ' '), "memory")) continue;
        for (int campo = 0; campo < 3; ++campo) proximo_campo(linha, ' ');
        const std::string_view raiz = proximo_campo(linha, ' ');
        const std::string_view ponto = proximo_campo(linha, ' ');
        if (!raiz.empty() && !ponto.empty()) return {ponto, raiz};
    }
    return {};
}

std::optional<std::uint64_t> folga_do_grupo(std::string_view maximo, std::string_view atual,
                                            std::string_view estatisticas) {
    const std::optional<std::uint64_t> limite = bytes_do_texto(maximo);
    const std::optional<std::uint64_t> ocupado = bytes_do_texto(atual);
    if (!limite || !ocupado) return std::nullopt;
    std::optional<std::string_view> inativos = linha_que_comeca(estatisticas, "total_inactive_file ");
    if (!inativos) inativos = linha_que_comeca(estatisticas, "inactive_file ");
    const std::uint64_t descartavel = std::min(*ocupado, inativos ? bytes_do_texto(*inativos).value_or(0) : 0);
    const std::uint64_t retido = *ocupado - descartavel;
    return *limite > retido ? *limite - retido : 0;
}

namespace {

// The names of a hierarchy's files: the limit, what the group holds.
struct ArquivosDeMemoria {
    std::string_view limite;
    std::string_view atual;
};
constexpr ArquivosDeMemoria arquivos_unificados{"/memory.max", "/memory.current"};
constexpr ArquivosDeMemoria arquivos_antigos{"/memory.limit_in_bytes", "/memory.usage_in_bytes"};

// The least room under the limits of the group whose folder is
// `raiz_grupos` + `grupo` and of every group above it up to `raiz_grupos`.
std::optional<std::uint64_t> menor_folga(std::string_view raiz_grupos, std::string_view grupo,
                                         const ArquivosDeMemoria& arquivos, LerTexto ler) {
    char caminho[tamanho_caminho];
    if (raiz_grupos.size() + grupo.size() + sizeof "/memory.limit_in_bytes" > sizeof caminho) return std::nullopt;

    // The group's folder, without a closing slash.
    std::size_t comprimento = raiz_grupos.size() + grupo.size();
    std::copy(grupo.begin(), grupo.end(), std::copy(raiz_grupos.begin(), raiz_grupos.end(), caminho));
    while (comprimento > raiz_grupos.size() && caminho[comprimento - 1] == '/') --comprimento;

    std::optional<std::uint64_t> menor;
    for (;;) {
        char maximo[tamanho_numero];
        char atual[tamanho_numero];
        char estatisticas[tamanho_texto];
        const auto ler_arquivo = [&](std::string_view nome, char* destino, std::size_t capacidade) {
            *std::copy(nome.begin(), nome.end(), caminho + comprimento) = '\0';
            return ler(caminho, destino, capacidade);
        };
        const std::optional<std::uint64_t> folga =
            folga_do_grupo(ler_arquivo(arquivos.limite, maximo, sizeof maximo),
                           ler_arquivo(arquivos.atual, atual, sizeof atual),
                           ler_arquivo("/memory.stat", estatisticas, sizeof estatisticas));
        if (folga && (!menor || *folga < *menor)) menor = folga;
        if (comprimento == raiz_grupos.size()) break;
        comprimento = std::max(raiz_grupos.size(), std::string_view(caminho, comprimento).rfind('/'));
    }
    return menor;
}

// The same in the older hierarchy: the group's path below the root that its
// mount shows, under the mount point.
std::optional<std::uint64_t> menor_folga_antiga(std::string_view texto_cgroup, LerTexto ler) {
    const std::string_view grupo = grupo_de_memoria_antigo(texto_cgroup);
    if (grupo.empty()) return std::nullopt;
    char montagens[tamanho_montagens];
    const MontagemDeGrupos montagem = montagem_de_memoria_antiga(ler("/proc/self/mountinfo", montagens, sizeof montagens));
    if (montagem.ponto.empty()) return std::nullopt;
    std::string_view abaixo = grupo;
    if (montagem.raiz != "/") {
        if (abaixo.substr(0, montagem.raiz.size()) != montagem.raiz) return std::nullopt;
        abaixo.remove_prefix(montagem.raiz.size());
        if (!abaixo.empty() && abaixo.front() != '/') return std::nullopt;
    }
    if (abaixo == "/") abaixo = {};
    return menor_folga(montagem.ponto, abaixo, arquivos_antigos, ler);
}

}  // namespace

std::uint64_t memoria_sob_grupos(std::uint64_t maquina, LerTexto ler) {
    char grupos[tamanho_texto];
    const std::string_view texto_cgroup = ler("/proc/self/cgroup", grupos, sizeof grupos);
    std::optional<std::uint64_t> menor;
    for (const std::optional<std::uint64_t> folga :
         {grupo_unificado(texto_cgroup).empty()
              ? std::optional<std::uint64_t>()
              : menor_folga(raiz_grupos, grupo_unificado(texto_cgroup), arquivos_unificados, ler),
          menor_folga_antiga(texto_cgroup, ler)})
        if (folga && (!menor || *folga < *menor)) menor = folga;
    if (!menor) return maquina;
    const std::uint64_t conhecida = maquina == 0 ? *menor : std::min(maquina, *menor);
    return std::max<std::uint64_t>(conhecida, 1);
}

namespace {

// A count of /proc/self/status in bytes: the line "VmSize:\t    5912 kB".
std::optional<std::uint64_t> bytes_do_status(std::string_view texto_status, std::string_view campo) {
    std::optional<std::string_view> linha = linha_que_comeca(texto_status, campo);
    if (!linha) return std::nullopt;
    std::string_view resto = *linha;
    resto.remove_prefix(std::min(resto.find_first_not_of(" \t"), resto.size()));
    std::uint64_t kb = 0;
    const auto [parou, erro] = std::from_chars(resto.data(), resto.data() + resto.size(), kb);
    const bool em_kb = erro == std::errc() && std::string_view(parou, resto.data() + resto.size()) == " kB";
    if (!em_kb || kb > std::numeric_limits<std::uint64_t>::max() / 1024) return std::nullopt;
    return kb * 1024;
}

}  // namespace

std::optional<FolgaDoProcesso> folga_do_processo(const LimitesDoProcesso& limites, std::string_view texto_status) {
    struct Limite {
        std::optional<std::uint64_t> bytes;
        std::string_view campo;
        LimiteDoProcesso qual;
    };
    const Limite todos[] = {{limites.espaco_de_enderecos, "VmSize:", LimiteDoProcesso::espaco_de_enderecos},
                            {limites.dados, "VmData:", LimiteDoProcesso::dados}};
    std::optional<FolgaDoProcesso> menor;
    for (const Limite& limite : todos) {
        if (!limite.bytes) continue;
        const std::uint64_t usados = bytes_do_status(texto_status, limite.campo).value_or(0);
        const std::uint64_t folga = *limite.bytes > usados ? *limite.bytes - usados : 0;
        if (!menor || folga < menor->bytes) menor = FolgaDoProcesso{folga, limite.qual};
    }
    return menor;
}

}  // namespace servicos::plataforma
