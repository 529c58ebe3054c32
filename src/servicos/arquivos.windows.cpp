// Win32 system calls behind the units: CreateFileA with an open of unknown
// status, WriteFile, the cut with SetFilePointer/SetEndOfFile, ReadFile and
// the console line.
#include "servicos/arquivos.hpp"

#include <windows.h>

#include <algorithm>
#include <string>

#include "servicos/console.hpp"
#include "servicos/plataforma.hpp"

namespace servicos::plataforma {

namespace {

Resultado resultado_do_erro(DWORD erro) {
    switch (erro) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH: return Resultado::nao_encontrado;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_INVALID_HANDLE: return Resultado::acesso_negado;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return Resultado::ja_existe;
        case ERROR_TOO_MANY_OPEN_FILES: return Resultado::arquivos_demais;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_INVALID_DRIVE: return Resultado::invalido;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return Resultado::disco_cheio;
        default: return Resultado::outro;
    }
}

HANDLE criar(const char* nome, DWORD acesso, DWORD disposicao) {
    return CreateFileA(nome, acesso, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposicao, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

Abertura abrir(const char* nome) {
    HANDLE arquivo = criar(nome, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (arquivo == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
        arquivo = criar(nome, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
        if (arquivo == INVALID_HANDLE_VALUE) return {resultado_do_erro(GetLastError()), nullptr, false};
        return {Resultado::ok, arquivo, false};
    }
    if (arquivo == INVALID_HANDLE_VALUE) {
        // An existing file that refuses read-write access (a directory is
        // refused by all three): read-only, then write-only.
        const DWORD primeiro_erro = GetLastError();
        arquivo = criar(nome, GENERIC_READ, OPEN_EXISTING);
        if (arquivo == INVALID_HANDLE_VALUE) arquivo = criar(nome, GENERIC_WRITE, OPEN_EXISTING);
        if (arquivo == INVALID_HANDLE_VALUE) return {resultado_do_erro(primeiro_erro), nullptr, true};
    }
    return {Resultado::ok, arquivo, true};
}

Resultado escrever(void* arquivo, const char* bytes, std::size_t tamanho) {
    while (tamanho > 0) {
        const auto parte = static_cast<DWORD>(std::min(tamanho, maior_pedaco_es));
        DWORD escritos = 0;
        if (!WriteFile(arquivo, bytes, parte, &escritos, nullptr)) return resultado_do_erro(GetLastError());
        if (escritos == 0) return Resultado::disco_cheio;
        bytes += escritos;
        tamanho -= escritos;
    }
    return Resultado::ok;
}

Resultado cortar(void* arquivo) {
    if (GetFileType(arquivo) != FILE_TYPE_DISK) return Resultado::ok;  // devices have no length to cut
    if (SetFilePointer(arquivo, 0, nullptr, FILE_CURRENT) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return resultado_do_erro(GetLastError());
    if (!SetEndOfFile(arquivo)) return resultado_do_erro(GetLastError());
    return Resultado::ok;
}

Resultado fechar(void* arquivo) {
    if (!CloseHandle(arquivo)) return resultado_do_erro(GetLastError());
    return Resultado::ok;
}

long long ler(void* arquivo, char* destino, std::size_t tamanho) {
    DWORD lidos = 0;
    const auto pedido = static_cast<DWORD>(std::min(tamanho, maior_pedaco_es));
    if (!ReadFile(arquivo, destino, pedido, &lidos, nullptr)) return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return lidos;
}

int ler_byte_console() {
    unsigned char c;
    DWORD lido = 0;
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &lido, nullptr) || lido == 0) return -1;
    return c;
}

bool ler_linha_console(std::string& linha) { return montar_linha_console(&ler_byte_console, linha); }

}  // namespace

const SistemaArquivos& sistema_arquivos_nativo() {
    static const SistemaArquivos nativo{&abrir, &escrever, &cortar, &fechar, &ler, &ler_linha_console,
                                        &escrever_saida_padrao};
    return nativo;
}

}  // namespace servicos::plataforma
