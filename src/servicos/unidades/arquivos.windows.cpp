// Win32 system calls behind the units: CreateFileA with an open of unknown
// status, the files of a set of results (their temporaries, the earlier
// files kept aside, the commit's record) with MoveFileExA, FlushFileBuffers
// and the lock of the commit, WriteFile, the cut with
// SetFilePointer/SetEndOfFile, ReadFile and the console line.
#include "servicos/unidades/arquivos.hpp"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "servicos/plataforma/console.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace servicos::unidades {

std::string pasta_de(std::string_view nome) {
    const auto separador = nome.find_last_of("/\\:");
    return separador == std::string_view::npos ? std::string() : std::string(nome.substr(0, separador + 1));
}

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

// Others may read, write, and also rename over the file while it is open: a
// run that looks at its earlier listing must not stop another run's commit.
HANDLE criar(const char* nome, DWORD acesso, DWORD disposicao) {
    return CreateFileA(nome, acesso, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposicao,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The open of unknown status; `somente_leitura` tells whether only reading was granted.
Abertura abrir_existente_ou_novo(const char* nome, bool& somente_leitura) {
    somente_leitura = false;
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
        somente_leitura = arquivo != INVALID_HANDLE_VALUE;
        if (arquivo == INVALID_HANDLE_VALUE) arquivo = criar(nome, GENERIC_WRITE, OPEN_EXISTING);
        if (arquivo == INVALID_HANDLE_VALUE) return {resultado_do_erro(primeiro_erro), nullptr, true};
    }
    return {Resultado::ok, arquivo, true};
}

Abertura abrir(const char* nome) {
    bool somente_leitura;
    return abrir_existente_ou_novo(nome, somente_leitura);
}

Substituicao falha(Resultado resultado) { return {resultado, false, nullptr, false, {}}; }
Substituicao por_temporario(const char* destino, bool existia) { return {Resultado::ok, false, nullptr, existia, destino}; }

// A file that another program holds open without sharing its deletion (a
// virus scanner, a viewer, a spreadsheet) cannot be replaced until it lets
// go: such a refusal is tried again for a while before it is taken as final.
constexpr int tentativas_de_substituicao = 40;
constexpr DWORD pausa_entre_tentativas_ms = 25;

bool recusa_passageira(DWORD erro) { return erro == ERROR_SHARING_VIOLATION || erro == ERROR_ACCESS_DENIED; }

// Whether a rename can take the place of `destino`: nobody holds it open
// without sharing its deletion.
bool substituivel(const char* destino) {
    for (int tentativa = 1;; ++tentativa) {
        const HANDLE arquivo = CreateFileA(destino, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (arquivo != INVALID_HANDLE_VALUE) {
            CloseHandle(arquivo);
            return true;
        }
        // Only a sharing refusal says that; anything else the rename will meet and report.
        if (GetLastError() != ERROR_SHARING_VIOLATION) return true;
        if (tentativa == tentativas_de_substituicao) return false;
        Sleep(pausa_entre_tentativas_ms);
    }
}

Substituicao preparar_substituicao(const char* nome) {
    const DWORD atributos = GetFileAttributesA(nome);
    if (atributos == INVALID_FILE_ATTRIBUTES) {
        const DWORD erro = GetLastError();
        if (erro != ERROR_FILE_NOT_FOUND) return falha(resultado_do_erro(erro));
        return por_temporario(nome, false);
    }
    // The open's own answers: a directory refused, a file that refuses
    // writing opened for reading (its cut then reports it), devices as they are.
    bool somente_leitura;
    const Abertura abertura = abrir_existente_ou_novo(nome, somente_leitura);
    if (abertura.resultado != Resultado::ok) return falha(abertura.resultado);
    if (somente_leitura || GetFileType(abertura.descritor) != FILE_TYPE_DISK)
        return {Resultado::ok, true, abertura.descritor, abertura.existia, {}};
    CloseHandle(abertura.descritor);
    if (!substituivel(nome)) return falha(Resultado::insubstituivel);
    return por_temporario(nome, true);
}

// The names Windows gives to devices in every folder, whatever follows a
// dot: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$.
bool nome_de_dispositivo(std::string_view nome) {
    std::string base(nome.substr(pasta_de(nome).size()));
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
        return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

// Names of the device and long-path namespaces (\\.\, \\?\) and shares are
// left to the open; so is anything but a plain file or nothing at all.
bool arquivo_comum(const char* nome) {
    const std::string_view texto = nome;
    if (texto.empty() || texto.substr(0, 2) == "\\\\" || texto.substr(0, 2) == "//" || nome_de_dispositivo(texto))
        return false;
    const DWORD atributos = GetFileAttributesA(nome);
    if (atributos == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    return !(atributos & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool livre(const std::string& nome) {
    return GetFileAttributesA(nome.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::string nome_livre(const char* vizinho) {
    static unsigned contador = 0;
    const std::string pasta = pasta_de(vizinho);
    for (int tentativas = 0; tentativas < 256; ++tentativas) {
        std::string nome = pasta + nome_temporario(static_cast<unsigned>(GetCurrentProcessId()), contador++);
        if (livre(nome)) return nome;
    }
    return {};
}

// A file of the program is held by its open handle, from the very creation:
// others may read it and delete it (a request to terminate removes it at
// once), but while the handle is open nobody can take it (tomar_abandonado).
HANDLE criar_segurado(const char* nome, DWORD atributos) {
    return CreateFileA(nome, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, CREATE_NEW, atributos, nullptr);
}

Temporario criar_temporario(const char* nome, const char* vizinho) {
    constexpr DWORD herdados = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD anteriores = GetFileAttributesA(vizinho);
    const DWORD atributos = anteriores != INVALID_FILE_ATTRIBUTES && (anteriores & herdados) ? (anteriores & herdados)
                                                                                              : FILE_ATTRIBUTE_NORMAL;
    const HANDLE arquivo = criar_segurado(nome, atributos);
    if (arquivo == INVALID_HANDLE_VALUE) return {resultado_do_erro(GetLastError()), nullptr, {}};
    return {Resultado::ok, arquivo, nome};
}

Temporario criar_diario(const char* trava) {
    for (unsigned vaga = 0; vaga < vagas_de_diario; ++vaga) {
        std::string nome = nome_diario(trava, vaga);
        const HANDLE arquivo = criar_segurado(nome.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (arquivo != INVALID_HANDLE_VALUE) return {Resultado::ok, arquivo, std::move(nome)};
        if (GetLastError() != ERROR_FILE_EXISTS) return {resultado_do_erro(GetLastError()), nullptr, {}};
    }
    return {Resultado::ja_existe, nullptr, {}};
}

Resultado mover(const char* origem, const char* destino) {
    for (int tentativa = 1;; ++tentativa) {
        if (MoveFileExA(origem, destino, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return Resultado::ok;
        const DWORD erro = GetLastError();
        if (!recusa_passageira(erro) || tentativa == tentativas_de_substituicao) return resultado_do_erro(erro);
        Sleep(pausa_entre_tentativas_ms);
    }
}

Resultado guardar_anterior(const char* destino, const char* copia) { return mover(destino, copia); }

Resultado substituir(const char* origem, const char* destino) { return mover(origem, destino); }

Resultado descartar(const char* nome) {
    return DeleteFileA(nome) || GetLastError() == ERROR_FILE_NOT_FOUND ? Resultado::ok : resultado_do_erro(GetLastError());
}

Resultado sincronizar(void* arquivo) {
    if (arquivo == nullptr || GetFileType(arquivo) != FILE_TYPE_DISK) return Resultado::ok;
    return FlushFileBuffers(arquivo) ? Resultado::ok : resultado_do_erro(GetLastError());
}

// Windows starts no write-out without waiting for it: the file is written
// out whole, by a thread that waits for it in the place of the time loop.
void iniciar_gravacao(void* arquivo, std::uint64_t, std::uint64_t, bool pode_esperar) {
    if (pode_esperar && arquivo != nullptr && GetFileType(arquivo) == FILE_TYPE_DISK) FlushFileBuffers(arquivo);
}

// The renames are written through (MOVEFILE_WRITE_THROUGH): no folder to sync.
Pasta abrir_pasta(const char*, void*) { return {Resultado::ok, nullptr, false}; }
Resultado sincronizar_pasta(const Pasta&) { return Resultado::ok; }
void fechar_pasta(const Pasta&) {}

bool existe(const char* nome) { return GetFileAttributesA(nome) != INVALID_FILE_ATTRIBUTES; }

// Opened sharing nothing: refused while any handle of its run is open.
Resultado tomar_abandonado(const char* nome, void*& descritor) {
    HANDLE arquivo = CreateFileA(nome, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
    if (arquivo == INVALID_HANDLE_VALUE)
        arquivo = CreateFileA(nome, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (arquivo == INVALID_HANDLE_VALUE) {
        const DWORD erro = GetLastError();
        if (erro == ERROR_SHARING_VIOLATION) return Resultado::ja_existe;  // its run holds it
        return erro == ERROR_FILE_NOT_FOUND ? Resultado::nao_encontrado : resultado_do_erro(erro);
    }
    descritor = arquivo;
    return Resultado::ok;
}

// Byte-range locks are binding on Windows: the lock takes one byte far past
// any end of file, so that reading the input file is never refused.
constexpr DWORD deslocamento_da_trava_alto = 0x7fffffff;

Resultado travar(const char* nome, plataforma::Descritor& trava) {
    trava = nullptr;
    HANDLE arquivo = CreateFileA(nome, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (arquivo == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_TOO_MANY_OPEN_FILES ? Resultado::arquivos_demais : Resultado::ok;
    OVERLAPPED posicao{};
    posicao.OffsetHigh = deslocamento_da_trava_alto;
    if (!LockFileEx(arquivo, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &posicao)) {
        CloseHandle(arquivo);
        return Resultado::ok;
    }
    trava = arquivo;
    return Resultado::ok;
}

void destravar(plataforma::Descritor trava) {
    if (trava != nullptr) CloseHandle(trava);  // closing the handle releases its lock
}

// The file's identity (volume and index), as links and short names share it.
bool identidade(const char* nome, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE arquivo = CreateFileA(nome, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (arquivo == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(arquivo, &info);
    CloseHandle(arquivo);
    return ok;
}

bool mesmo_arquivo(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION info_a{}, info_b{};
    if (identidade(a, info_a) && identidade(b, info_b))
        return info_a.dwVolumeSerialNumber == info_b.dwVolumeSerialNumber &&
               info_a.nFileIndexHigh == info_b.nFileIndexHigh && info_a.nFileIndexLow == info_b.nFileIndexLow;
    // Names compare without regard to case: the full paths, letter by letter.
    char completo_a[MAX_PATH], completo_b[MAX_PATH];
    const DWORD n_a = GetFullPathNameA(a, MAX_PATH, completo_a, nullptr);
    const DWORD n_b = GetFullPathNameA(b, MAX_PATH, completo_b, nullptr);
    if (n_a == 0 || n_b == 0 || n_a >= MAX_PATH || n_b >= MAX_PATH) return false;
    return lstrcmpiA(completo_a, completo_b) == 0;
}

Resultado escrever(void* arquivo, const char* bytes, std::size_t tamanho) {
    while (tamanho > 0) {
        const auto parte = static_cast<DWORD>(std::min(tamanho, plataforma::maior_pedaco_es));
        DWORD escritos = 0;
        if (!WriteFile(arquivo, bytes, parte, &escritos, nullptr)) return resultado_do_erro(GetLastError());
        if (escritos == 0) return Resultado::disco_cheio;
        bytes += escritos;
        tamanho -= escritos;
    }
    return Resultado::ok;
}

// A handle opened for synchronous access writes at the position given and
// returns when it is done.
Resultado escrever_em(void* arquivo, std::uint64_t posicao, const char* bytes, std::size_t tamanho) {
    while (tamanho > 0) {
        const auto parte = static_cast<DWORD>(std::min(tamanho, plataforma::maior_pedaco_es));
        OVERLAPPED onde{};
        onde.Offset = static_cast<DWORD>(posicao);
        onde.OffsetHigh = static_cast<DWORD>(posicao >> 32);
        DWORD escritos = 0;
        if (!WriteFile(arquivo, bytes, parte, &escritos, &onde)) return resultado_do_erro(GetLastError());
        if (escritos == 0) return Resultado::disco_cheio;
        bytes += escritos;
        posicao += escritos;
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
    const auto pedido = static_cast<DWORD>(std::min(tamanho, plataforma::maior_pedaco_es));
    if (!ReadFile(arquivo, destino, pedido, &lidos, nullptr)) return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return lidos;
}

int ler_byte_console() {
    unsigned char c;
    DWORD lido = 0;
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &lido, nullptr) || lido == 0) return -1;
    return c;
}

bool ler_linha_console(std::string& linha) { return plataforma::montar_linha_console(&ler_byte_console, linha); }

}  // namespace

const SistemaArquivos& sistema_arquivos_nativo() {
    static const SistemaArquivos nativo{
        .abrir = &abrir,
        .preparar_substituicao = &preparar_substituicao,
        .nome_livre = &nome_livre,
        .criar_temporario = &criar_temporario,
        .criar_diario = &criar_diario,
        .guardar_anterior = &guardar_anterior,
        .substituir = &substituir,
        .descartar = &descartar,
        .sincronizar = &sincronizar,
        .iniciar_gravacao = &iniciar_gravacao,
        .abrir_pasta = &abrir_pasta,
        .sincronizar_pasta = &sincronizar_pasta,
        .fechar_pasta = &fechar_pasta,
        .existe = &existe,
        .tomar_abandonado = &tomar_abandonado,
        .travar = &travar,
        .destravar = &destravar,
        .arquivo_comum = &arquivo_comum,
        .mesmo_arquivo = &mesmo_arquivo,
        .escrever = &escrever,
        .escrever_em = &escrever_em,
        .cortar = &cortar,
        .fechar = &fechar,
        .ler = &ler,
        .ler_linha_console = &ler_linha_console,
        .escrever_console = &plataforma::escrever_saida_padrao,
    };
    return nativo;
}

}  // namespace servicos::unidades
