// difusao-calor.exe: the Windows launcher of difusao_calor, which is also the
// command interpreter it hands the program.
//
// As a launcher (started by the user, by a double-click or from a prompt) it
// copies the example input and the plot scripts (the study's too, which draw
// the tables estudo_convergencia writes in the same folder) from its own
// folder into the current one where they are missing (an empty input counts
// as missing), names itself in COMSPEC, and runs difusao_calor.exe from its
// folder with the arguments it was given. The program's standard error goes through a
// pipe and is copied to ours unchanged; when the program ends with a report
// the launcher adds in Portuguese where the input stopped being read, the
// stability of the scheme after an arithmetic fault, the memory the run
// needs against what the system leaves after a memory failure, and which
// earlier results stayed. The exit status is the program's. Started by a
// double-click, its console window would close with the program: after a
// failure it waits for Enter first.
//
// As the interpreter ("difusao-calor.exe /c <command>", the program's form)
// it hands every command to the real interpreter (the COMSPEC the launcher
// found, else cmd.exe). After "notepad entradas_geral.ent" it has the input
// checked by the study tool's quiet explainer next to it and prints the
// warnings on standard error; at a console it offers to open the editor
// again until the user accepts the data. The check never stops the run.
// "wgnuplot <script>" goes on with the study tool's stability verdict for the
// plots' titles (-e "veredito = ..."); when the launcher found no wgnuplot,
// the interpreter skips it and the launcher, once, after the run, opens the
// program's offline page (difusao_calor.html, beside it) in the default
// browser on this run's case, or says that the plots were not drawn, why,
// and what to install (sem_graficos).
//
// Texts are UTF-8, like the study tool's; a console is switched to UTF-8
// output for the time of each write that holds such letters.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view nome_entrada = "entradas_geral.ent";
constexpr std::string_view comando_da_entrada = "notepad entradas_geral.ent";
constexpr std::string_view separador_interpretador = " /c ";
constexpr const char* interpretador_padrao = "cmd.exe";
// The interpreter to hand commands to; set by the launcher for itself.
constexpr const char* variavel_interpretador = "DIFUSAO_COMSPEC";
constexpr DWORD status_sem_inicio = 1;
constexpr std::string_view comando_do_tracador = "wgnuplot ";
constexpr const char* programa_tracador = "wgnuplot.exe";
// Set by the launcher when no plotter is to be found.
constexpr const char* variavel_sem_tracador = "DIFUSAO_SEM_WGNUPLOT";

// --- Text --------------------------------------------------------------------

bool eh_console(HANDLE h) {
    DWORD modo = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &modo) != 0;
}

// How many continuation bytes follow a UTF-8 lead byte; -1 for a byte that
// cannot lead.
int continuacoes(unsigned char c) {
    if (c < 0x80) return 0;
    if ((c & 0xE0) == 0xC0) return 1;
    if ((c & 0xF0) == 0xE0) return 2;
    if ((c & 0xF8) == 0xF0) return 3;
    return -1;
}

// Text with letters beyond ASCII that reads as UTF-8: ours and the study
// tool's. The program's own bytes (a Windows-1252 file name in a report) are
// not, and reach the console as the program alone would write them.
bool utf8_com_acentos(std::string_view bytes) {
    bool acentos = false;
    for (std::size_t j = 0; j < bytes.size();) {
        const int seguintes = continuacoes(static_cast<unsigned char>(bytes[j]));
        if (seguintes < 0 || j + static_cast<std::size_t>(seguintes) >= bytes.size()) return false;
        for (int k = 1; k <= seguintes; ++k)
            if ((static_cast<unsigned char>(bytes[j + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
        acentos = acentos || seguintes > 0;
        j += static_cast<std::size_t>(seguintes) + 1;
    }
    return acentos;
}

void escrever(HANDLE destino, std::string_view bytes) {
    if (destino == nullptr || destino == INVALID_HANDLE_VALUE) return;
    const bool console = eh_console(destino) && utf8_com_acentos(bytes);
    const UINT pagina_anterior = console ? ::GetConsoleOutputCP() : 0;
    if (console) ::SetConsoleOutputCP(CP_UTF8);
    while (!bytes.empty()) {
        DWORD escritos = 0;
        const auto pedaco = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 16));
        if (!::WriteFile(destino, bytes.data(), pedaco, &escritos, nullptr) || escritos == 0) break;
        bytes.remove_prefix(escritos);
    }
    if (console) ::SetConsoleOutputCP(pagina_anterior);
}

void escrever_erro(std::string_view texto) { escrever(::GetStdHandle(STD_ERROR_HANDLE), texto); }

void avisar(std::string_view texto) {
    escrever_erro(std::string("difusao-calor: ").append(texto).append("\r\n"));
}

// The lines of a text, without their line ends.
std::vector<std::string> linhas_de(std::string_view texto) {
    std::vector<std::string> linhas;
    while (!texto.empty()) {
        const std::size_t fim = texto.find('\n');
        std::string_view linha = texto.substr(0, fim);
        if (!linha.empty() && linha.back() == '\r') linha.remove_suffix(1);
        linhas.emplace_back(linha);
        if (fim == std::string_view::npos) break;
        texto.remove_prefix(fim + 1);
    }
    return linhas;
}

void escrever_recuado(std::string_view texto) {
    std::string recuado;
    for (const std::string& linha : linhas_de(texto)) recuado.append("  ").append(linha).append("\r\n");
    escrever_erro(recuado);
}

// File names compare without regard to letter case, as the system's do.
bool igual_sem_caixa(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// --- Files and the environment ---------------------------------------------

std::string este_programa() {
    std::string caminho(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, caminho.data(), static_cast<DWORD>(caminho.size()));
        if (n < caminho.size()) {
            caminho.resize(n);
            return caminho;
        }
        caminho.resize(caminho.size() * 2);
    }
}

std::string pasta_de(const std::string& caminho) {
    const std::size_t barra = caminho.find_last_of("\\/");
    return barra == std::string::npos ? std::string(".") : caminho.substr(0, barra);
}

std::string nome_de(const std::string& caminho) {
    const std::size_t barra = caminho.find_last_of("\\/");
    return barra == std::string::npos ? caminho : caminho.substr(barra + 1);
}

std::string caminho_completo(const std::string& caminho) {
    const DWORD n = ::GetFullPathNameA(caminho.c_str(), 0, nullptr, nullptr);
    if (n == 0) return caminho;
    std::string completo(n, '\0');
    completo.resize(::GetFullPathNameA(caminho.c_str(), n, completo.data(), nullptr));
    return completo;
}

// A path without blanks, so that "<COMSPEC> /c ..." starts this program
// whatever folder it is in; the path as it is where the system has no short
// names.
std::string caminho_curto(const std::string& caminho) {
    const DWORD n = ::GetShortPathNameA(caminho.c_str(), nullptr, 0);
    if (n == 0) return caminho;
    std::string curto(n, '\0');
    curto.resize(::GetShortPathNameA(caminho.c_str(), curto.data(), n));
    return curto.empty() ? caminho : curto;
}

struct Arquivo {
    bool existe = false;
    bool pasta = false;
    unsigned long long tamanho = 0;
};

Arquivo examinar(const std::string& caminho) {
    WIN32_FILE_ATTRIBUTE_DATA dados{};
    if (!::GetFileAttributesExA(caminho.c_str(), GetFileExInfoStandard, &dados)) return {};
    return {true, (dados.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            (static_cast<unsigned long long>(dados.nFileSizeHigh) << 32) | dados.nFileSizeLow};
}

bool arquivo_comum(const std::string& caminho) {
    const Arquivo a = examinar(caminho);
    return a.existe && !a.pasta;
}

std::string variavel(const char* nome) {
    const DWORD n = ::GetEnvironmentVariableA(nome, nullptr, 0);
    if (n == 0) return {};
    std::string valor(n, '\0');
    valor.resize(::GetEnvironmentVariableA(nome, valor.data(), n));
    return valor;
}

std::string citado(const std::string& caminho) { return "\"" + caminho + "\""; }

std::string explicador() { return pasta_de(este_programa()) + "\\estudo_convergencia.exe"; }

// --- Processes -----------------------------------------------------------------

HANDLE herdavel(HANDLE h) {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return h;
}

// Starts `linha` with the given standard output and error (ours where null)
// and waits for its end; its exit status, or nothing when it cannot start.
bool rodar(std::string linha, HANDLE saida, HANDLE erro, DWORD& status) {
    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    inicio.dwFlags = STARTF_USESTDHANDLES;
    inicio.hStdInput = herdavel(::GetStdHandle(STD_INPUT_HANDLE));
    inicio.hStdOutput = saida != nullptr ? saida : herdavel(::GetStdHandle(STD_OUTPUT_HANDLE));
    inicio.hStdError = erro != nullptr ? erro : herdavel(::GetStdHandle(STD_ERROR_HANDLE));
    PROCESS_INFORMATION processo{};
    if (!::CreateProcessA(nullptr, linha.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &inicio, &processo))
        return false;
    ::CloseHandle(processo.hThread);
    ::WaitForSingleObject(processo.hProcess, INFINITE);
    status = status_sem_inicio;
    ::GetExitCodeProcess(processo.hProcess, &status);
    ::CloseHandle(processo.hProcess);
    return true;
}

// What a pipe brings until every writer has closed it, copied to `eco` as it
// comes when `eco` is given.
struct Leitor {
    HANDLE tubo;
    HANDLE eco;
    std::string texto;
};

DWORD WINAPI ler_tubo(void* parametro) {
    auto& leitor = *static_cast<Leitor*>(parametro);
    char bloco[4096];
    DWORD lidos = 0;
    while (::ReadFile(leitor.tubo, bloco, sizeof bloco, &lidos, nullptr) && lidos > 0) {
        leitor.texto.append(bloco, lidos);
        if (leitor.eco != nullptr) escrever(leitor.eco, std::string_view(bloco, lidos));
    }
    return 0;
}

struct Capturado {
    bool iniciado = false;
    DWORD status = status_sem_inicio;
    std::string texto;
};

// Runs `linha` with its standard output (or, with `do_erro`, its standard
// error) into a pipe; with `eco` the pipe's bytes also go on to it. A child
// whose standard error is captured keeps our standard output, and one whose
// output is captured writes its errors to nowhere.
Capturado rodar_capturando(std::string linha, bool do_erro, HANDLE eco) {
    Capturado capturado;
    SECURITY_ATTRIBUTES herda{sizeof herda, nullptr, TRUE};
    HANDLE leitura = nullptr;
    HANDLE escrita = nullptr;
    if (!::CreatePipe(&leitura, &escrita, &herda, 0)) return capturado;
    ::SetHandleInformation(leitura, HANDLE_FLAG_INHERIT, 0);
    HANDLE nulo = do_erro ? nullptr
                          : ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &herda,
                                          OPEN_EXISTING, 0, nullptr);
    if (nulo == INVALID_HANDLE_VALUE) nulo = nullptr;
    Leitor leitor{leitura, eco, {}};
    HANDLE fio = ::CreateThread(nullptr, 0, &ler_tubo, &leitor, 0, nullptr);
    capturado.iniciado = fio != nullptr && rodar(std::move(linha), do_erro ? nullptr : escrita,
                                                 do_erro ? escrita : nulo, capturado.status);
    // Our copy of the writing end closes, so the reader sees the end once
    // the child and whatever it started are gone.
    ::CloseHandle(escrita);
    if (nulo != nullptr) ::CloseHandle(nulo);
    if (fio != nullptr) {
        ::WaitForSingleObject(fio, INFINITE);
        ::CloseHandle(fio);
    }
    ::CloseHandle(leitura);
    capturado.texto = std::move(leitor.texto);
    return capturado;
}

// The quiet explainer on the input of the current folder: its status and
// lines; not started when it is missing.
Capturado explicar(std::string_view opcao) {
    const std::string programa = explicador();
    if (!arquivo_comum(programa)) return {};
    return rodar_capturando(citado(programa) + " --explicar " + std::string(opcao), false, nullptr);
}

// --- The page where no wgnuplot is installed -------------------------------------

constexpr const char* nome_da_pagina = "difusao_calor.html";
constexpr const char* arquivo_do_navegador = "ver_no_navegador.html";

std::string ler_arquivo(const char* nome) {
    std::string bytes;
    HANDLE h = ::CreateFileA(nome, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char bloco[4096];
    DWORD lidos = 0;
    while (::ReadFile(h, bloco, sizeof bloco, &lidos, nullptr) && lidos > 0) bytes.append(bloco, lidos);
    ::CloseHandle(h);
    return bytes;
}

bool gravar_arquivo(const char* nome, std::string_view bytes) {
    HANDLE h = ::CreateFileA(nome, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD escritos = 0;
    const bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &escritos, nullptr) && escritos == bytes.size();
    return ::CloseHandle(h) && ok;
}

// Text of a code page as UTF-8.
std::string em_utf8(std::string_view bytes, UINT pagina) {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(pagina, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring largo(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(pagina, 0, bytes.data(), static_cast<int>(bytes.size()), largo.data(), n);
    const int m = ::WideCharToMultiByte(CP_UTF8, 0, largo.data(), n, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(m), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, largo.data(), n, utf8.data(), m, nullptr, nullptr);
    return utf8;
}

// Bytes percent-encoded for a URL, all but the unreserved ones and `mantidos`.
std::string por_cento(std::string_view bytes, std::string_view mantidos) {
    static constexpr char hexa[] = "0123456789ABCDEF";
    std::string codificado;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool livre = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                           b == '-' || b == '.' || b == '_' || b == '~' || mantidos.find(c) != std::string_view::npos;
        if (livre) {
            codificado += c;
        } else {
            codificado.append(1, '%').append(1, hexa[b >> 4]).append(1, hexa[b & 15]);
        }
    }
    return codificado;
}

// The page's link to this run's case: the page's file URL, then #caso= and
// entradas_geral.ent, its Windows-1252 text as UTF-8, percent-encoded.
std::string link_do_caso(const std::string& pagina) {
    std::string caminho = em_utf8(caminho_completo(pagina), CP_ACP);
    std::replace(caminho.begin(), caminho.end(), '\\', '/');
    return "file:///" + por_cento(caminho, "/:") + "#caso=" + por_cento(em_utf8(ler_arquivo(nome_entrada.data()), 1252), "");
}

// ver_no_navegador.html, in the run's folder, sends the browser to the page
// on this run's case (a file opened by the shell keeps no #fragment).
std::string pagina_do_caso(const std::string& link) {
    return "<!doctype html>\n<meta charset=\"utf-8\">\n<meta http-equiv=\"refresh\" content=\"0; url=" + link +
           "\">\n<title>difusao_calor</title>\n<p><a href=\"" + link +
           "\">Abrir a página de difusao_calor com este caso</a></p>\n";
}

// No wgnuplot: the page draws both plots. ver_no_navegador.html is written
// and opened in the default browser on this run's case, and the launcher
// says so (or, where no browser opens, to open it); false without the page
// or where the file cannot be written.
bool abrir_pagina_do_caso() {
    const std::string pagina = pasta_de(este_programa()) + "\\" + nome_da_pagina;
    if (!arquivo_comum(pagina) || !gravar_arquivo(arquivo_do_navegador, pagina_do_caso(link_do_caso(pagina))))
        return false;
    const bool aberto = reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", arquivo_do_navegador, nullptr,
                                                                   nullptr, SW_SHOWNORMAL)) > 32;
    const std::string caminho = caminho_completo(arquivo_do_navegador);
    avisar(aberto ? "wgnuplot não encontrado: os gráficos abrem no navegador, na página do programa com o caso desta "
                    "corrida (" + caminho + ")"
                  : "wgnuplot não encontrado: os gráficos estão na página do programa com o caso desta corrida; "
                    "abra " + caminho + " no navegador");
    return true;
}

// --- The interpreter -----------------------------------------------------------

bool console_interativo() { return eh_console(::GetStdHandle(STD_INPUT_HANDLE)); }

// A line typed at the console, without its line end; empty at its end.
std::string ler_linha() {
    std::string linha;
    char c = 0;
    DWORD lidos = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &lidos, nullptr) && lidos == 1 && c != '\n')
        if (c != '\r') linha += c;
    return linha;
}

// Prints the explainer's warnings about the input on standard error; false
// when there are any.
bool conferir_entrada() {
    const Capturado conferencia = explicar("--avisos");
    if (!conferencia.iniciado || conferencia.status == 0) return true;
    if ((conferencia.status != 1 && conferencia.status != 2) || conferencia.texto.empty()) {
        avisar("estudo_convergencia não conferiu entradas_geral.ent; a corrida segue sem a conferência");
        return true;
    }
    avisar(conferencia.status == 1 ? "difusao_calor não vai conseguir ler entradas_geral.ent até o fim:"
                                   : "confira entradas_geral.ent antes do cálculo:");
    escrever_recuado(conferencia.texto);
    return false;
}

bool editar_de_novo() {
    escrever_erro("difusao-calor: abrir entradas_geral.ent de novo para corrigir? [s/N] ");
    const std::string resposta = ler_linha();
    return !resposta.empty() && (resposta[0] == 's' || resposta[0] == 'S');
}

// The interpreter the commands go to: the one the launcher found, unless
// that is this program itself.
std::string interpretador_real() {
    const std::string escolhido = variavel(variavel_interpretador);
    if (escolhido.empty() || igual_sem_caixa(nome_de(escolhido), nome_de(este_programa())))
        return interpretador_padrao;
    return escolhido;
}

// Whether the plotter is where the interpreter will look for it.
bool com_tracador() {
    char caminho[MAX_PATH];
    return ::SearchPathA(nullptr, programa_tracador, nullptr, MAX_PATH, caminho, nullptr) != 0;
}

// Why the plots are missing, and what to do about it: the one place that says it.
std::string sem_graficos() {
    return "os gráficos não foram desenhados: wgnuplot.exe, o traçador que difusao_calor chama, não foi "
           "encontrado no PATH. Instale o gnuplot para Windows (http://www.gnuplot.info) marcando a opção de "
           "acrescentá-lo ao PATH (veja LEIA-ME.txt); os dados dos gráficos estão em temp_media.txt e "
           "temp_meio.txt";
}

// A text as the inside of a gnuplot double-quoted string, in ASCII alone
// (the command line passes through the system's code page): line ends as \n,
// other bytes beyond ASCII, quotes and backslashes as octal escapes. So are
// the characters that cmd acts on outside its quotes ("F < 0" would be a
// redirection), for the escaped quotes around the text leave it outside them.
std::string em_aspas_do_gnuplot(std::string_view texto) {
    constexpr std::string_view especiais = "\"\\%<>&|^()!";
    while (!texto.empty() && (texto.back() == '\n' || texto.back() == '\r')) texto.remove_suffix(1);
    std::string fora;
    for (const char c : texto) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') continue;
        if (c == '\n') {
            fora += "\\n";
        } else if (u < 0x20 || u >= 0x7f || especiais.find(c) != std::string_view::npos) {
            const char octal[] = {'\\', static_cast<char>('0' + (u >> 6)), static_cast<char>('0' + ((u >> 3) & 7)),
                                  static_cast<char>('0' + (u & 7)), '\0'};
            fora += octal;
        } else {
            fora += c;
        }
    }
    return fora;
}

// The plotter's command with the study's verdict for the titles; as given
// without the study tool.
std::string com_veredito(std::string_view comando) {
    const Capturado titulo = explicar("--titulo");
    if (!titulo.iniciado || titulo.status != 0 || titulo.texto.empty()) return std::string(comando);
    return std::string(comando_do_tracador) + "-e \"veredito = \\\"" + em_aspas_do_gnuplot(titulo.texto) + "\\\"\" " +
           std::string(comando.substr(comando_do_tracador.size()));
}

int interpretar(std::string_view comando) {
    const bool tracador = comando.starts_with(comando_do_tracador);
    if (tracador && !variavel(variavel_sem_tracador).empty()) return static_cast<int>(status_sem_inicio);
    const std::string linha = citado(interpretador_real()) + std::string(separador_interpretador) +
                              (tracador ? com_veredito(comando) : std::string(comando));
    for (;;) {
        DWORD status = status_sem_inicio;
        if (!rodar(linha, nullptr, nullptr, status)) {
            avisar("o interpretador de comandos " + interpretador_real() + " não pôde ser iniciado");
            return static_cast<int>(status_sem_inicio);
        }
        if (comando != comando_da_entrada || conferir_entrada() || !console_interativo() || !editar_de_novo())
            return static_cast<int>(status);
    }
}

// --- The launcher ----------------------------------------------------------------

constexpr std::string_view texto_uso =
    "Uso: difusao-calor [nome ...]\r\n"
    "     difusao-calor --help | -h | --ajuda | /? | --version\r\n"
    "\r\n"
    "Roda difusao_calor.exe na pasta atual. Copia para ela, da pasta do programa,\r\n"
    "entradas_geral.ent (também quando ele está vazio) e os roteiros dos\r\n"
    "gráficos, temp_media.gnu e temp_meio.gnu e os do estudo_convergencia.exe\r\n"
    "(convergencia.gnu, mapa.gnu...), quando faltam; arquivos do usuário nunca\r\n"
    "são trocados. O programa abre entradas_geral.ent no Bloco de Notas; quando\r\n"
    "ele fecha, os dados são conferidos (vírgula no lugar do ponto decimal,\r\n"
    "theta fora de [0, 1], Nx < 3, F além do limite de estabilidade, linha\r\n"
    "faltando ou sobrando...) e dá para editar de novo antes do cálculo.\r\n"
    "\r\n"
    "Quando o programa termina com um relatório de falha, o relatório fica como\r\n"
    "está e o lançador acrescenta onde a leitura parou, o número de Fourier F e\r\n"
    "o limite depois de uma falha aritmética, a memória que a corrida pede e a\r\n"
    "que o sistema deixa depois de F6772, e quais resultados anteriores\r\n"
    "ficaram. Aberto com um duplo clique, espera Enter antes de fechar a janela\r\n"
    "depois de uma falha. O status de saída é o do programa. Veja LEIA-ME.txt.\r\n";

// The arguments after the program's own name, as they were typed.
std::string_view argumentos_da_linha(std::string_view linha) {
    std::size_t j = 0;
    if (!linha.empty() && linha[0] == '"') {
        j = linha.find('"', 1);
        j = j == std::string_view::npos ? linha.size() : j + 1;
    }
    while (j < linha.size() && linha[j] != ' ' && linha[j] != '\t') ++j;
    while (j < linha.size() && (linha[j] == ' ' || linha[j] == '\t')) ++j;
    return linha.substr(j);
}

bool tem_palavra(std::string_view argumentos, std::string_view palavra) {
    while (!argumentos.empty()) {
        const std::size_t inicio = argumentos.find_first_not_of(" \t");
        if (inicio == std::string_view::npos) return false;
        argumentos.remove_prefix(inicio);
        const std::size_t fim = argumentos.find_first_of(" \t");
        if (argumentos.substr(0, fim) == palavra) return true;
        if (fim == std::string_view::npos) return false;
        argumentos.remove_prefix(fim);
    }
    return false;
}

bool mesma_pasta(const std::string& a, const std::string& b) {
    return igual_sem_caixa(caminho_completo(a + "\\"), caminho_completo(b + "\\"));
}

// Copies the example's files from the program's folder into the current one
// where they are missing; an empty input counts as missing.
void preparar_pasta(const std::string& pasta) {
    if (mesma_pasta(pasta, ".")) return;
    const std::string origem = pasta + "\\" + std::string(nome_entrada);
    const Arquivo entrada = examinar(std::string(nome_entrada));
    if ((!entrada.existe || (!entrada.pasta && entrada.tamanho == 0)) && examinar(origem).tamanho > 0 &&
        ::CopyFileA(origem.c_str(), std::string(nome_entrada).c_str(), FALSE))
        avisar(std::string(entrada.existe ? "entradas_geral.ent estava vazio" : "esta pasta não tinha entradas_geral.ent") +
               ": copiado o exemplo de " + pasta);
    std::string copiados;
    std::string_view roteiros = DIFUSAO_ROTEIROS;
    while (!roteiros.empty()) {
        const std::size_t fim = std::min(roteiros.find(' '), roteiros.size());
        const std::string roteiro(roteiros.substr(0, fim));
        roteiros.remove_prefix(std::min(fim + 1, roteiros.size()));
        const std::string de = pasta + "\\" + roteiro;
        if (!examinar(roteiro).existe && arquivo_comum(de) && ::CopyFileA(de.c_str(), roteiro.c_str(), TRUE))
            copiados.append(copiados.empty() ? "" : ", ").append(roteiro);
    }
    if (!copiados.empty()) avisar("roteiros dos gráficos copiados de " + pasta + ": " + copiados);
}

// The last report of the program in what it wrote on standard error, from
// "run-time error " to its line end.
std::string ultimo_relatorio(std::string_view erro) {
    const std::size_t inicio = erro.rfind("run-time error ");
    if (inicio == std::string_view::npos) return {};
    const std::size_t fim = erro.find_first_of("\r\n", inicio);
    return std::string(erro.substr(inicio, fim == std::string_view::npos ? std::string_view::npos : fim - inicio));
}

std::string sem_fim_de_linha(std::string texto) {
    while (!texto.empty() && (texto.back() == '\n' || texto.back() == '\r')) texto.pop_back();
    return texto;
}

// The results a failed run leaves as they were: the set of the last completed
// run, and its plots.
void resultados_mantidos() {
    const Capturado listagem = explicar("--listagem");
    std::vector<std::string> nomes;
    if (listagem.iniciado && listagem.status == 0) nomes.push_back(sem_fim_de_linha(listagem.texto));
    for (const char* nome : {"temp_media.txt", "temp_meio.txt", "temp_media.png", "temp_meio.png"}) nomes.emplace_back(nome);
    std::string mantidos;
    for (std::size_t j = 0; j < nomes.size(); ++j) {
        const bool repetido = std::find(nomes.begin(), nomes.begin() + static_cast<std::ptrdiff_t>(j), nomes[j]) !=
                              nomes.begin() + static_cast<std::ptrdiff_t>(j);
        if (!nomes[j].empty() && !repetido && arquivo_comum(nomes[j])) mantidos.append(mantidos.empty() ? " " : ", ").append(nomes[j]);
    }
    avisar(mantidos.empty() ? "nenhum resultado foi gravado"
                            : "nenhum resultado novo foi gravado; ficaram como estavam os de uma corrida anterior:" + mantidos);
}

// Whether every line of the explainer's warnings already went by on the
// program's standard error (the check after the edit prints them there,
// indented): each warning is said once.
bool ja_mostrados(std::string_view avisos, std::string_view erro) {
    for (const std::string& linha : linhas_de(avisos))
        if (erro.find("  " + linha + "\r\n") == std::string_view::npos) return false;
    return true;
}

// After F6772: the check's warnings, among them the memory the run needs
// against what the system leaves; when the check sees no shortage now, that
// the free memory has changed.
void explicar_falta_de_memoria() {
    avisar("faltou memória para a corrida (F6772): diminua Nx ou Nt, ou feche outros programas; a conferência dos dados diz:");
    const Capturado conferencia = explicar("--avisos");
    if (!conferencia.iniciado) {
        avisar("  nada: estudo_convergencia.exe não pôde ser iniciado");
        return;
    }
    escrever_recuado(conferencia.texto);
    if (conferencia.texto.find("F6772") == std::string::npos)
        avisar("  a memória que a corrida pede caberia agora no que o sistema deixa, que muda com os outros "
               "programas");
}

void explicar_falha(std::string_view erro) {
    const std::string relatorio = ultimo_relatorio(erro);
    const bool leitura = relatorio.find("(entradas_geral.ent)") != std::string::npos;
    const bool aritmetica = relatorio.size() > 15 && relatorio[15] == 'M';
    if (relatorio.starts_with("run-time error F6772") && arquivo_comum(explicador())) {
        explicar_falta_de_memoria();
    } else if ((leitura || aritmetica) && arquivo_comum(explicador())) {
        avisar(leitura ? "a leitura de entradas_geral.ent parou; a conferência dos dados diz:"
                       : "falha aritmética (M) no cálculo, valores que estouraram ou uma divisão por zero; a "
                         "conferência dos dados diz:");
        const Capturado conferencia = explicar("--avisos");
        if (conferencia.iniciado && !conferencia.texto.empty() && ja_mostrados(conferencia.texto, erro))
            avisar("  os avisos da conferência dos dados, acima, depois da edição");
        else if (conferencia.iniciado && !conferencia.texto.empty())
            escrever_recuado(conferencia.texto);
        else
            avisar(leitura ? "  nada: veja estudo_convergencia --explicar"
                           : "  nenhum aviso: F está dentro do limite de estabilidade do theta");
    }
    resultados_mantidos();
}

// A console that holds only this process was opened for it: the program was
// started by a double-click, and the window closes when it ends.
bool console_so_nosso() {
    if (!console_interativo()) return false;
    DWORD processos[2] = {};
    return ::GetConsoleProcessList(processos, 2) == 1;
}

void esperar_enter() {
    escrever_erro("\r\nTecle Enter para fechar esta janela.");
    ::FlushConsoleInputBuffer(::GetStdHandle(STD_INPUT_HANDLE));
    ler_linha();
}

int lancar(std::string_view argumentos) {
    for (std::string_view ajuda : {"--help", "-h", "--ajuda", "/?"}) {
        if (tem_palavra(argumentos, ajuda)) {
            escrever(::GetStdHandle(STD_OUTPUT_HANDLE), texto_uso);
            return 0;
        }
    }
    if (tem_palavra(argumentos, "--version")) {
        escrever(::GetStdHandle(STD_OUTPUT_HANDLE), "difusao-calor " DIFUSAO_VERSAO "\r\n");
        return 0;
    }
    const bool janela_propria = console_so_nosso();
    const std::string pasta = pasta_de(este_programa());
    preparar_pasta(pasta);
    if (!arquivo_comum(explicador()))
        avisar("estudo_convergencia.exe não encontrado: a entrada não será conferida nem as falhas explicadas");

    if (variavel(variavel_interpretador).empty()) {
        const std::string original = variavel("COMSPEC");
        ::SetEnvironmentVariableA(variavel_interpretador, original.empty() ? interpretador_padrao : original.c_str());
    }
    ::SetEnvironmentVariableA("COMSPEC", caminho_curto(este_programa()).c_str());
    const bool tracador = com_tracador();
    ::SetEnvironmentVariableA(variavel_sem_tracador, tracador ? nullptr : "1");

    const Capturado corrida = rodar_capturando(citado(pasta + "\\difusao_calor.exe") + " " + std::string(argumentos),
                                               true, ::GetStdHandle(STD_ERROR_HANDLE));
    if (!corrida.iniciado) {
        avisar("não foi possível iniciar " + pasta + "\\difusao_calor.exe");
    } else if (corrida.status != 0) {
        explicar_falha(corrida.texto);
    } else if (!tracador && !abrir_pagina_do_caso()) {
        avisar(sem_graficos());
    }
    if (corrida.status != 0 && janela_propria) esperar_enter();
    return static_cast<int>(corrida.status);
}

}  // namespace

int main() {
    const std::string_view argumentos = argumentos_da_linha(::GetCommandLineA());
    if (argumentos.starts_with(separador_interpretador.substr(1)))
        return interpretar(argumentos.substr(separador_interpretador.size() - 1));
    return lancar(argumentos);
}
