// POSIX side of the platform layer: raw writes to descriptors 1 and 2, _exit,
// the trapping floating-point environment and its SIGFPE handler, the memory
// that the kernel can still give, within the limits of the control groups and
// of the process.
#include "servicos/plataforma/plataforma.hpp"

#include <cerrno>
#include <cfenv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <optional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "servicos/base/mensagens.hpp"
#include "servicos/plataforma/limites_memoria.hpp"

namespace servicos::plataforma {

namespace {

void escrever_tudo(int descritor, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t resta = bytes.size();
    while (resta > 0) {
        const ssize_t escritos = ::write(descritor, p, resta);
        if (escritos < 0 && errno == EINTR) continue;
        if (escritos <= 0) return;
        p += escritos;
        resta -= static_cast<std::size_t>(escritos);
    }
}

base::CodigoMatematica numero_da_armadilha(int codigo_sinal) {
    switch (codigo_sinal) {
        case FPE_FLTINV: return base::mensagem::ponto_flutuante_invalido;
        case FPE_FLTDIV: return base::mensagem::ponto_flutuante_divisao_zero;
        case FPE_FLTOVF: return base::mensagem::ponto_flutuante_overflow;
        case FPE_FLTUND: return base::mensagem::ponto_flutuante_underflow;
        case FPE_FLTRES: return base::mensagem::ponto_flutuante_inexato;
        case FPE_INTDIV: return base::mensagem::ponto_flutuante_divisao_zero;
        default: return base::mensagem::ponto_flutuante_invalido;
    }
}

RelatoArmadilha relato_registrado = nullptr;

// Runs in the signal context of the faulting instruction. Returning would
// re-execute it, so the handler reports and ends the process; everything on
// that path (report frame, unit clean-up) uses only write, ftruncate, close
// and _exit on data that the program's arithmetic never leaves half-updated.
void tratar_sigfpe(int, siginfo_t* info, void*) {
    relato_registrado(numero_da_armadilha(info->si_code));
    terminar_processo(1);  // not reached: the report ends the process
}

FuncaoDescarte descarte_registrado = nullptr;

constexpr int pedidos_de_termino[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void tratar_pedido_de_termino(int sinal) {
    if (descarte_registrado) descarte_registrado();
    // SA_RESETHAND has put the default action back; SA_NODEFER lets it act now.
    ::raise(sinal);
}

sigset_t mascara_dos_pedidos() {
    sigset_t mascara;
    sigemptyset(&mascara);
    for (const int sinal : pedidos_de_termino) sigaddset(&mascara, sinal);
    return mascara;
}

// Room for the whole of /proc/meminfo, which holds about 1.5 KiB of text.
constexpr std::size_t tamanho_meminfo = 8192;

// Reads one field of /proc/meminfo in kB; -1 when absent. Uses no allocation.
long long campo_meminfo(const char* texto, const char* campo) {
    const char* p = std::strstr(texto, campo);
    if (p == nullptr) return -1;
    p += std::strlen(campo);
    while (*p == ' ' || *p == ':') ++p;
    return std::strtoll(p, nullptr, 10);
}

}  // namespace

void escrever_erro_padrao(std::string_view bytes) { escrever_tudo(STDERR_FILENO, bytes); }
void escrever_saida_padrao(std::string_view bytes) { escrever_tudo(STDOUT_FILENO, bytes); }

void terminar_processo(int status) { ::_exit(status); }

void garantir_fluxos_padrao() {
    for (int descritor = STDIN_FILENO; descritor <= STDERR_FILENO; ++descritor) {
        if (::fcntl(descritor, F_GETFD) != -1 || errno != EBADF) continue;
        // open() returns the lowest free descriptor: this one.
        const int nulo = ::open("/dev/null", descritor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (nulo >= 0 && nulo != descritor) ::close(nulo);
    }
}

void preparar_sinais(FuncaoDescarte descartar) {
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    descarte_registrado = descartar;
    for (const int sinal : pedidos_de_termino) {
        struct sigaction anterior {};
        if (::sigaction(sinal, nullptr, &anterior) != 0 || anterior.sa_handler == SIG_IGN) continue;
        struct sigaction acao {};
        acao.sa_handler = &tratar_pedido_de_termino;
        acao.sa_flags = SA_RESETHAND | SA_NODEFER;
        // One request at a time: a second one waits for the first handler.
        acao.sa_mask = mascara_dos_pedidos();
        ::sigaction(sinal, &acao, nullptr);
    }
}

TerminoAdiado::TerminoAdiado() {
    const sigset_t mascara = mascara_dos_pedidos();
    ::pthread_sigmask(SIG_BLOCK, &mascara, &anterior_);
}

TerminoAdiado::~TerminoAdiado() { ::pthread_sigmask(SIG_SETMASK, &anterior_, nullptr); }

InterrupcoesDoComando::InterrupcoesDoComando() : anteriores_{}, padrao_no_filho_{} {
    sigemptyset(&padrao_no_filho_);
    struct sigaction ignorar {};
    ignorar.sa_handler = SIG_IGN;
    sigemptyset(&ignorar.sa_mask);
    ::sigaction(SIGINT, &ignorar, &anteriores_.interrupcao);
    ::sigaction(SIGQUIT, &ignorar, &anteriores_.saida);
    if (anteriores_.interrupcao.sa_handler != SIG_IGN) sigaddset(&padrao_no_filho_, SIGINT);
    if (anteriores_.saida.sa_handler != SIG_IGN) sigaddset(&padrao_no_filho_, SIGQUIT);
}

InterrupcoesDoComando::~InterrupcoesDoComando() {
    ::sigaction(SIGINT, &anteriores_.interrupcao, nullptr);
    ::sigaction(SIGQUIT, &anteriores_.saida, nullptr);
}

void armar_armadilhas_ponto_flutuante(RelatoArmadilha relatar) {
    relato_registrado = relatar;
    struct sigaction acao {};
    acao.sa_sigaction = &tratar_sigfpe;
    acao.sa_flags = SA_SIGINFO;
    sigemptyset(&acao.sa_mask);
    ::sigaction(SIGFPE, &acao, nullptr);
    std::feclearexcept(FE_ALL_EXCEPT);
    ::feenableexcept(falhas_armadas);
}

ArmadilhasRetidas::ArmadilhasRetidas() { std::feholdexcept(&guardado_); }
ArmadilhasRetidas::~ArmadilhasRetidas() { std::fesetenv(&guardado_); }

namespace {

// The text of a small file, as much as fits in `destino`; empty when it
// cannot be read.
std::string_view ler_texto(const char* caminho, char* destino, std::size_t capacidade) {
    const int descritor = ::open(caminho, O_RDONLY | O_CLOEXEC);
    if (descritor < 0) return {};
    std::size_t lidos = 0;
    while (lidos < capacidade) {
        const ssize_t parte = ::read(descritor, destino + lidos, capacidade - lidos);
        if (parte < 0 && errno == EINTR) continue;
        if (parte <= 0) break;
        lidos += static_cast<std::size_t>(parte);
    }
    ::close(descritor);
    return {destino, lidos};
}

std::uint64_t memoria_da_maquina() {
    // What the kernel can still hand out without killing anyone: available
    // memory plus free swap.
    const int descritor = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (descritor >= 0) {
        char texto[tamanho_meminfo];
        const ssize_t lidos = ::read(descritor, texto, sizeof texto - 1);
        ::close(descritor);
        if (lidos > 0) {
            texto[lidos] = '\0';
            const long long disponivel = campo_meminfo(texto, "MemAvailable");
            const long long troca = campo_meminfo(texto, "SwapFree");
            if (disponivel > 0) return static_cast<std::uint64_t>(disponivel + (troca > 0 ? troca : 0)) * 1024u;
        }
    }
    struct sysinfo info {};
    if (::sysinfo(&info) == 0)
        return (static_cast<std::uint64_t>(info.freeram) + info.bufferram + info.freeswap) * info.mem_unit;
    return 0;
}

}  // namespace

namespace {

// A limit of the process in bytes; none when it is infinite.
std::optional<std::uint64_t> limite_do_processo(int recurso) {
    struct rlimit limite {};
    if (::getrlimit(recurso, &limite) != 0 || limite.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<std::uint64_t>(limite.rlim_cur);
}

// Room for the whole of /proc/self/status, about 1.5 KiB of text.
constexpr std::size_t tamanho_status = 8192;

}  // namespace

// A control group's limit binds before the machine runs short: past it the
// kernel kills the process, however much the machine has free.
std::uint64_t memoria_disponivel() { return memoria_sob_grupos(memoria_da_maquina(), &ler_texto); }

std::optional<FolgaDoProcesso> folga_dos_limites_do_processo() {
    const LimitesDoProcesso limites{limite_do_processo(RLIMIT_AS), limite_do_processo(RLIMIT_DATA)};
    if (!limites.espaco_de_enderecos && !limites.dados) return std::nullopt;
    char status[tamanho_status];
    return folga_do_processo(limites, ler_texto("/proc/self/status", status, sizeof status));
}

}  // namespace servicos::plataforma
