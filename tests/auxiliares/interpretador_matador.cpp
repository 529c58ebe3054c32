// A command interpreter that logs each command and kills the program that
// started it at the command named by DIFUSAO_MATAR_EM, as an interrupt from
// the console would: the system ends it at once, nothing in it can react.
// Started as "<this> -c <command>" (POSIX) or "<this> /c <command>" (Windows);
// the command and a line feed are appended to the file named by
// DIFUSAO_REGISTRO. POSIX kills with SIGKILL, or sends the signal numbered by
// DIFUSAO_SINAL (the interrupt keys pressed while the command runs); Windows
// ends the process with the status of an interrupt, STATUS_CONTROL_C_EXIT.
#include <cstdlib>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

std::string comando_recebido([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    const std::string linha = ::GetCommandLineA();
    const auto marca = linha.find(" /c ");
    return marca == std::string::npos ? std::string() : linha.substr(marca + 4);
#else
    return argc >= 3 ? std::string(argv[2]) : std::string();
#endif
}

#ifdef _WIN32
DWORD processo_pai() {
    const DWORD eu = ::GetCurrentProcessId();
    DWORD pai = 0;
    const HANDLE instantaneo = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (instantaneo == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entrada{};
    entrada.dwSize = sizeof entrada;
    for (BOOL ha = ::Process32First(instantaneo, &entrada); ha; ha = ::Process32Next(instantaneo, &entrada))
        if (entrada.th32ProcessID == eu) pai = entrada.th32ParentProcessID;
    ::CloseHandle(instantaneo);
    return pai;
}
#endif

bool matar_o_pai() {
#ifdef _WIN32
    const HANDLE pai = ::OpenProcess(PROCESS_TERMINATE, FALSE, processo_pai());
    if (pai == nullptr) return false;
    const bool morto = ::TerminateProcess(pai, static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    ::CloseHandle(pai);
    return morto;
#else
    const char* sinal = std::getenv("DIFUSAO_SINAL");
    return ::kill(::getppid(), sinal ? std::atoi(sinal) : SIGKILL) == 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const std::string comando = comando_recebido(argc, argv);
    if (const char* registro = std::getenv("DIFUSAO_REGISTRO")) {
        std::ofstream arquivo(registro, std::ios::binary | std::ios::app);
        arquivo << comando << '\n';
    }
    const char* alvo = std::getenv("DIFUSAO_MATAR_EM");
    if (alvo != nullptr && comando == alvo && !matar_o_pai()) return 2;
    return 0;
}
