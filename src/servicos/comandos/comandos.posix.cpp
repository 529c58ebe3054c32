// POSIX side of the command runner. The interpreter ($COMSPEC when set and
// not empty, otherwise /bin/sh) is started with the argument vector
// {interpreter, "-c", command}; it shares our descriptors, environment and
// current directory, and we block until it ends, the interrupt keys left to
// it meanwhile.
#include "servicos/comandos/comandos.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

extern char** environ;

namespace servicos::comandos {

namespace {

// Layout of the working buffer: the interpreter path with its terminator in
// the first 261 characters, then the command and its terminator. The same
// n + 265 characters as the command line of the Windows side.
constexpr std::size_t inicio_comando = maximo_interpretador + 1;
constexpr std::size_t folga_buffer = maximo_interpretador + 5;

// errno is clobbered by almost any later call, so the reason is kept too.
thread_local int razao_registrada = 0;

std::int32_t falhar(int razao) {
    razao_registrada = razao;
    errno = razao;
    return -1;
}

// Copies the interpreter path into `destino` (261 characters); false when
// $COMSPEC is longer than 260.
bool copiar_interpretador(char* destino) {
    const char* valor = std::getenv("COMSPEC");
    if (valor == nullptr || *valor == '\0') valor = "/bin/sh";
    const std::size_t tamanho = std::strlen(valor);
    if (tamanho > maximo_interpretador) return false;
    std::memcpy(destino, valor, tamanho + 1);
    return true;
}

bool arquivo_regular(const char* caminho) {
    struct stat info {};
    return ::stat(caminho, &info) == 0 && S_ISREG(info.st_mode);
}

// The same classes as the Windows errors: missing file or folder, a file the
// system will not run, anything else. EACCES on a plain file means it lacks
// the execute permission, i.e. it is not a program we can start.
int razao_do_erro(int erro, const char* interpretador) {
    switch (erro) {
        case ENOENT:
        case ENOTDIR: return razao_comando::nao_encontrado;
        case ENOEXEC: return razao_comando::formato_invalido;
        case EACCES:
            return arquivo_regular(interpretador) ? razao_comando::formato_invalido : razao_comando::outra;
        default: return razao_comando::outra;
    }
}

// A child ended by a signal reports 128 plus the signal, as the shells do.
std::int32_t status_do_filho(int estado) {
    if (WIFSIGNALED(estado)) return 128 + WTERMSIG(estado);
    return WEXITSTATUS(estado);
}

// The run ignores SIGPIPE and SIGXFSZ to report the failing write itself,
// and the interrupt keys while a command runs; the commands it starts get
// the default actions back, as any program started from a shell has them.
class AtributosDoFilho {
public:
    explicit AtributosDoFilho(const plataforma::InterrupcoesDoComando& interrupcoes) {
        ::posix_spawnattr_init(&atributos_);
        sigset_t padrao = interrupcoes.padrao_no_filho();
        sigaddset(&padrao, SIGPIPE);
        sigaddset(&padrao, SIGXFSZ);
        ::posix_spawnattr_setsigdefault(&atributos_, &padrao);
        ::posix_spawnattr_setflags(&atributos_, POSIX_SPAWN_SETSIGDEF);
    }
    ~AtributosDoFilho() { ::posix_spawnattr_destroy(&atributos_); }
    AtributosDoFilho(const AtributosDoFilho&) = delete;
    AtributosDoFilho& operator=(const AtributosDoFilho&) = delete;
    const posix_spawnattr_t* operator&() const { return &atributos_; }

private:
    posix_spawnattr_t atributos_;
};

std::int32_t esperar(pid_t filho) {
    int estado = 0;
    while (::waitpid(filho, &estado, 0) < 0)
        if (errno != EINTR) return falhar(razao_comando::outra);
    return status_do_filho(estado);
}

}  // namespace

std::int32_t executar_comando(std::string_view comando) {
    const std::size_t n = tamanho_sem_brancos_finais(comando);
    if (n > maximo_comando) return falhar(razao_comando::longo_demais);

    char* buffer = static_cast<char*>(std::malloc(n + folga_buffer));
    if (buffer == nullptr) erros::relatar_erro(base::mensagem::memoria_insuficiente, base::instrucao::sem_rotulo);
    if (!copiar_interpretador(buffer)) {
        std::free(buffer);
        return falhar(razao_comando::nao_encontrado);
    }
    char* const linha = buffer + inicio_comando;
    std::memcpy(linha, comando.data(), n);
    linha[n] = '\0';

    static char opcao[] = "-c";
    char* argumentos[] = {buffer, opcao, linha, nullptr};
    pid_t filho = 0;
    const plataforma::InterrupcoesDoComando interrupcoes;
    const AtributosDoFilho atributos(interrupcoes);
    // posix_spawnp searches PATH for a bare name, as the Windows side does.
    const int erro = ::posix_spawnp(&filho, buffer, nullptr, &atributos, argumentos, environ);
    const int razao = erro == 0 ? 0 : razao_do_erro(erro, buffer);
    std::free(buffer);
    if (erro != 0) return falhar(razao);
    return esperar(filho);
}

int razao_ultima_falha() { return razao_registrada; }

}  // namespace servicos::comandos
