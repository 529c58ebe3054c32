#include "processo.hpp"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace suporte {

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

#endif

}  // namespace suporte
