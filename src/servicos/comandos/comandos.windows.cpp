// Windows side of the command runner: "<COMSPEC> /c <command>" is handed to
// CreateProcessA as it stands, with the interpreter's file named apart, the
// child shares our console and inheritable handles, and we block until it
// ends, the console's interrupt keys left to it meanwhile.
#include "servicos/comandos/comandos.hpp"

#include <cstdlib>
#include <cstring>

#include <windows.h>

#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace servicos::comandos {

namespace {

// The buffer holds the interpreter path (260 characters and a terminator),
// the separator " /c " and the command with its terminator.
constexpr DWORD tamanho_interpretador = maximo_interpretador + 1;
constexpr std::size_t folga_buffer = maximo_interpretador + 5;
constexpr char interpretador_padrao[] = "cmd.exe";
constexpr char separador[] = " /c ";

std::int32_t falhar(int razao) {
    ::SetLastError(static_cast<DWORD>(razao) | razao_comando::marca);
    return -1;
}

// Puts the interpreter path at the start of `linha`; returns its length, or
// more than 260 when COMSPEC does not fit.
std::size_t copiar_interpretador(char* linha) {
    const DWORD tamanho = ::GetEnvironmentVariableA("COMSPEC", linha, tamanho_interpretador);
    if (tamanho != 0) return tamanho;
    std::memcpy(linha, interpretador_padrao, sizeof interpretador_padrao);
    return sizeof interpretador_padrao - 1;
}

// The interpreter's file, for CreateProcessA's application name: found as
// the system finds programs (".exe" added to a name without an extension).
// Left to the command line, a path with a blank would be split at the blank
// and could start another program ("C:\sp dir\x.exe" starting C:\sp.exe).
bool arquivo_do_interpretador(const char* interpretador, char (&arquivo)[MAX_PATH]) {
    const DWORD tamanho = ::SearchPathA(nullptr, interpretador, ".exe", MAX_PATH, arquivo, nullptr);
    return tamanho > 0 && tamanho < MAX_PATH;
}

int razao_do_erro(DWORD erro) {
    switch (erro) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return razao_comando::nao_encontrado;
        case ERROR_BAD_FORMAT:
        case ERROR_BAD_EXE_FORMAT: return razao_comando::formato_invalido;
        default: return razao_comando::outra;
    }
}

std::int32_t esperar(const PROCESS_INFORMATION& processo) {
    ::WaitForSingleObject(processo.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(processo.hProcess, &status);
    ::CloseHandle(processo.hThread);
    ::CloseHandle(processo.hProcess);
    return static_cast<std::int32_t>(status);
}

}  // namespace

std::int32_t executar_comando(std::string_view comando) {
    const std::size_t n = tamanho_sem_brancos_finais(comando);
    if (n > maximo_comando) return falhar(razao_comando::longo_demais);

    char* linha = static_cast<char*>(std::malloc(n + folga_buffer));
    if (linha == nullptr) erros::relatar_erro(base::mensagem::memoria_insuficiente, base::instrucao::sem_rotulo);
    const std::size_t tamanho = copiar_interpretador(linha);
    if (tamanho > maximo_interpretador) {
        std::free(linha);
        return falhar(razao_comando::nao_encontrado);
    }
    char aplicacao[MAX_PATH];
    if (!arquivo_do_interpretador(linha, aplicacao)) {
        std::free(linha);
        return falhar(razao_comando::nao_encontrado);
    }
    std::memcpy(linha + tamanho, separador, sizeof separador - 1);
    std::memcpy(linha + tamanho + sizeof separador - 1, comando.data(), n);
    linha[tamanho + sizeof separador - 1 + n] = '\0';

    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    PROCESS_INFORMATION processo{};
    const plataforma::InterrupcoesDoComando interrupcoes;
    const BOOL criado = ::CreateProcessA(aplicacao, linha, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &inicio,
                                         &processo);
    const DWORD erro = criado ? ERROR_SUCCESS : ::GetLastError();
    std::free(linha);
    if (!criado) return falhar(razao_do_erro(erro));
    return esperar(processo);
}

int razao_ultima_falha() {
    const DWORD valor = ::GetLastError();
    if ((valor & 0xFFFF0000u) != razao_comando::marca) return 0;
    return static_cast<int>(valor & 0xFFFFu);
}

}  // namespace servicos::comandos
