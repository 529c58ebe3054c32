// The room under the memory limits of Linux control groups, from the texts of
// /proc/self/cgroup and of the groups' memory.* files.
#include "servicos/plataforma/limites_memoria.hpp"

#include <algorithm>
#include <charconv>

namespace servicos::plataforma {

namespace {

constexpr std::string_view raiz_grupos = "/sys/fs/cgroup";

// Room for the path of a group and the name of its longest file, and for the
// texts read: a count of bytes, memory.stat (about 1.5 KiB), the list of the
// process's groups.
constexpr std::size_t tamanho_caminho = 4096 + 64;
constexpr std::size_t tamanho_numero = 32;
constexpr std::size_t tamanho_texto = 8192;

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

}  // namespace

std::string_view grupo_unificado(std::string_view texto_cgroup) {
    const std::optional<std::string_view> caminho = linha_que_comeca(texto_cgroup, "0::");
    if (!caminho || caminho->empty() || caminho->front() != '/' || sobe_acima_da_raiz(*caminho)) return {};
    return *caminho;
}

std::optional<std::uint64_t> folga_do_grupo(std::string_view maximo, std::string_view atual,
                                            std::string_view estatisticas) {
    const std::optional<std::uint64_t> limite = bytes_do_texto(maximo);
    const std::optional<std::uint64_t> ocupado = bytes_do_texto(atual);
    if (!limite || !ocupado) return std::nullopt;
    const std::optional<std::string_view> inativos = linha_que_comeca(estatisticas, "inactive_file ");
    const std::uint64_t descartavel = std::min(*ocupado, inativos ? bytes_do_texto(*inativos).value_or(0) : 0);
    const std::uint64_t retido = *ocupado - descartavel;
    return *limite > retido ? *limite - retido : 0;
}

std::uint64_t memoria_sob_grupos(std::uint64_t maquina, LerTexto ler) {
    char grupos[tamanho_texto];
    const std::string_view grupo = grupo_unificado(ler("/proc/self/cgroup", grupos, sizeof grupos));
    char caminho[tamanho_caminho];
    if (grupo.empty() || raiz_grupos.size() + grupo.size() + sizeof "/memory.current" > sizeof caminho) return maquina;

    // The group's folder, without a closing slash (the group "/" is the root).
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
            folga_do_grupo(ler_arquivo("/memory.max", maximo, sizeof maximo),
                           ler_arquivo("/memory.current", atual, sizeof atual),
                           ler_arquivo("/memory.stat", estatisticas, sizeof estatisticas));
        if (folga && (!menor || *folga < *menor)) menor = folga;
        if (comprimento == raiz_grupos.size()) break;
        comprimento = std::max(raiz_grupos.size(), std::string_view(caminho, comprimento).rfind('/'));
    }
    if (!menor) return maquina;
    const std::uint64_t conhecida = maquina == 0 ? *menor : std::min(maquina, *menor);
    return std::max<std::uint64_t>(conhecida, 1);
}

}  // namespace servicos::plataforma
