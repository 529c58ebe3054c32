#include "processo.hpp"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace suporte {

fs::path caminho_de_bytes(const std::string& bytes) {
#ifdef _WIN32
    const int tamanho = static_cast<int>(bytes.size());
    std::wstring largo(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), tamanho, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), tamanho, largo.data(), static_cast<int>(largo.size()));
    return fs::path(largo);
#else
    return fs::path(bytes);
#endif
}

std::string ler_arquivo(const fs::path& caminho) {
    std::ifstream arquivo(caminho, std::ios::binary);
    std::ostringstream conteudo;
    conteudo << arquivo.rdbuf();
    return conteudo.str();
}

void escrever_arquivo(const fs::path& caminho, const std::string& bytes) {
    std::ofstream arquivo(caminho, std::ios::binary | std::ios::trunc);
    arquivo.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

PastaTemporaria::PastaTemporaria() {
    std::random_device semente;
    std::mt19937_64 gerador(semente());
    for (;;) {
        caminho_ = fs::temp_directory_path() / ("difusao_teste_" + std::to_string(gerador()));
        if (fs::create_directory(caminho_)) return;
    }
}

PastaTemporaria::~PastaTemporaria() {
    std::error_code ignorado;
    fs::remove_all(caminho_, ignorado);
}

#ifndef _WIN32

namespace {

std::vector<std::string> ambiente_do_filho(const Execucao& e) {
    std::map<std::string, std::string> variaveis;
    for (char** v = environ; *v; ++v) {
        const std::string par(*v);
        const auto igual = par.find('=');
        if (igual != std::string::npos) variaveis[par.substr(0, igual)] = par.substr(igual + 1);
    }
    for (const auto& [nome, valor] : e.ambiente) {
        if (valor)
            variaveis[nome] = *valor;
        else
            variaveis.erase(nome);
    }
    std::vector<std::string> lista;
    for (const auto& [nome, valor] : variaveis) lista.push_back(nome + "=" + valor);
    return lista;
}

std::vector<char*> ponteiros(std::vector<std::string>& textos) {
    std::vector<char*> p;
    for (std::string& t : textos) p.push_back(t.data());
    p.push_back(nullptr);
    return p;
}

}  // namespace

Resultado executar(const Execucao& e) {
    PastaTemporaria capturas;
    const fs::path arquivo_saida = capturas / "saida", arquivo_erro = capturas / "erro",
                   arquivo_entrada = capturas / "entrada";
    if (e.entrada) escrever_arquivo(arquivo_entrada, *e.entrada);

    std::vector<std::string> argumentos{e.programa.string()};
    argumentos.insert(argumentos.end(), e.argumentos.begin(), e.argumentos.end());
    std::vector<std::string> ambiente = ambiente_do_filho(e);
    std::vector<char*> argv = ponteiros(argumentos), envp = ponteiros(ambiente);

    const pid_t filho = ::fork();
    if (filho < 0) throw std::runtime_error("fork failed");
    if (filho == 0) {
        if (!e.diretorio.empty() && ::chdir(e.diretorio.c_str()) != 0) ::_exit(126);
        const int entrada = e.entrada ? ::open(arquivo_entrada.c_str(), O_RDONLY) : ::open("/dev/null", O_RDONLY);
        const int saida = ::open(arquivo_saida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int erro = ::open(arquivo_erro.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(entrada, 0);
        ::dup2(saida, 1);
        ::dup2(erro, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int estado = 0;
    while (::waitpid(filho, &estado, 0) < 0) {
    }
    Resultado r;
    r.status = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
    r.saida = ler_arquivo(arquivo_saida);
    r.erro = ler_arquivo(arquivo_erro);
    return r;
}

#else

namespace {

// One argument as the C run-time of the child splits its command line back
// into argv: quotes around anything with blanks, tabs or quotes; a quote
// inside is escaped with a backslash, and backslashes double only where they
// come before a quote (an inner one or the closing one).
std::string citar_argumento(const std::string& argumento) {
    if (!argumento.empty() && argumento.find_first_of(" \t\n\v\"") == std::string::npos) return argumento;
    std::string citado = "\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t barras = 0;
        while (i < argumento.size() && argumento[i] == '\\') {
            ++barras;
            ++i;
        }
        if (i == argumento.size()) {
            citado.append(2 * barras, '\\');
            break;
        }
        if (argumento[i] == '"') {
            citado.append(2 * barras + 1, '\\');
        } else {
            citado.append(barras, '\\');
        }
        citado += argumento[i];
    }
    citado += '"';
    return citado;
}

std::string maiusculas(std::string texto) {
    for (char& c : texto)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return texto;
}

// Variable names are case-insensitive; the system wants the block sorted by
// the upper-case names. Entries such as "=C:=C:\dir" (the current folders of
// the drives) start with '=' and are kept as they are.
struct OrdemSemCaixa {
    bool operator()(const std::string& a, const std::string& b) const { return maiusculas(a) < maiusculas(b); }
};

std::string bloco_de_ambiente(const Execucao& e) {
    std::map<std::string, std::string, OrdemSemCaixa> variaveis;
    if (char* bloco = ::GetEnvironmentStringsA()) {
        for (const char* v = bloco; *v; v += std::strlen(v) + 1) {
            const std::string par(v);
            const auto igual = par.find('=', 1);
            if (igual != std::string::npos) variaveis[par.substr(0, igual)] = par.substr(igual + 1);
        }
        ::FreeEnvironmentStringsA(bloco);
    }
    for (const auto& [nome, valor] : e.ambiente) {
        if (valor)
            variaveis[nome] = *valor;
        else
            variaveis.erase(nome);
    }
    std::string bloco;
    for (const auto& [nome, valor] : variaveis) {
        bloco += nome + "=" + valor;
        bloco += '\0';
    }
    bloco += '\0';
    return bloco;
}

// A handle that the child inherits; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE abrir_herdavel(const fs::path& caminho, DWORD acesso, DWORD disposicao) {
    SECURITY_ATTRIBUTES atributos{};
    atributos.nLength = sizeof atributos;
    atributos.bInheritHandle = TRUE;
    return ::CreateFileA(caminho.string().c_str(), acesso, FILE_SHARE_READ | FILE_SHARE_WRITE, &atributos, disposicao,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Resultado executar(const Execucao& e) {
    PastaTemporaria capturas;
    const fs::path arquivo_saida = capturas / "saida", arquivo_erro = capturas / "erro",
                   arquivo_entrada = capturas / "entrada";
    if (e.entrada) escrever_arquivo(arquivo_entrada, *e.entrada);

    const std::string programa = fs::path(e.programa).make_preferred().string();
    std::string linha = citar_argumento(programa);
    for (const std::string& argumento : e.argumentos) {
        linha += ' ';
        linha += citar_argumento(argumento);
    }
    std::string ambiente = bloco_de_ambiente(e);
    const std::string diretorio = fs::path(e.diretorio).make_preferred().string();

    const HANDLE entrada = abrir_herdavel(e.entrada ? arquivo_entrada : fs::path("NUL"), GENERIC_READ, OPEN_EXISTING);
    const HANDLE saida = abrir_herdavel(arquivo_saida, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE erro = abrir_herdavel(arquivo_erro, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    inicio.dwFlags = STARTF_USESTDHANDLES;
    inicio.hStdInput = entrada;
    inicio.hStdOutput = saida;
    inicio.hStdError = erro;
    PROCESS_INFORMATION processo{};
    const BOOL criado =
        entrada != INVALID_HANDLE_VALUE && saida != INVALID_HANDLE_VALUE && erro != INVALID_HANDLE_VALUE &&
        ::CreateProcessA(programa.c_str(), linha.data(), nullptr, nullptr, TRUE, 0, ambiente.data(),
                         diretorio.empty() ? nullptr : diretorio.c_str(), &inicio, &processo);
    const DWORD falha = criado ? ERROR_SUCCESS : ::GetLastError();
    for (HANDLE h : {entrada, saida, erro})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (!criado) throw std::runtime_error("cannot start " + linha + ": error " + std::to_string(falha));

    ::WaitForSingleObject(processo.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(processo.hProcess, &status);
    ::CloseHandle(processo.hThread);
    ::CloseHandle(processo.hProcess);
    Resultado r;
    r.status = static_cast<int>(status);
    r.saida = ler_arquivo(arquivo_saida);
    r.erro = ler_arquivo(arquivo_erro);
    return r;
}

#endif

}  // namespace suporte
