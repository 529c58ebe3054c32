// The input file as bytes and as the text the student edits. The program
// reads Windows-1252 bytes; the editor holds Unicode text. The WHATWG decoder
// of windows-1252 maps every one of the 256 bytes to a distinct character
// (the five bytes that the code page leaves undefined become the C1 controls
// of the same value), so decoding and encoding back give the same bytes.

const decodificador = new TextDecoder("windows-1252");

// The byte of each character that the code page holds.
const byteDoCaractere = (() => {
    const tabela = new Map();
    for (let b = 0; b < 256; b++) tabela.set(decodificador.decode(Uint8Array.of(b)), b);
    return tabela;
})();

export function decodificar1252(bytes) {
    return decodificador.decode(bytes);
}

// The bytes of a text, and the characters that Windows-1252 has not (written
// as "?", as a Windows editor saving in that code page would).
export function codificar1252(texto) {
    const bytes = [];
    const fora = [];
    for (const caractere of texto) {
        const b = byteDoCaractere.get(caractere);
        if (b === undefined) {
            fora.push(caractere);
            bytes.push(0x3f);
        } else {
            bytes.push(b);
        }
    }
    return { bytes: Uint8Array.from(bytes), fora };
}

// The line end a file uses, so that saving keeps it: CR LF when its first
// line end is one.
export function fimDeLinha(bytes) {
    const lf = bytes.indexOf(0x0a);
    return lf > 0 && bytes[lf - 1] === 0x0d ? "\r\n" : "\n";
}

// A text area gives its lines ended by LF; a file to save gets the line end
// the opened file had.
export function comFimDeLinha(texto, fim) {
    return fim === "\n" ? texto : texto.replace(/\r?\n/g, fim);
}

// --- The case in a link --------------------------------------------------
// "#caso=" followed by the input file's text, percent-encoded (UTF-8).

export const prefixoDoCaso = "#caso=";

export function linkDoCaso(endereco, texto) {
    const semFragmento = endereco.split("#")[0];
    return semFragmento + prefixoDoCaso + encodeURIComponent(texto);
}

// The case that a fragment carries: { texto } when it decodes, { texto,
// erro } when it is not valid percent-encoding (the text is then the
// fragment as it stands, to be shown and never run); null without a case.
export function casoDoFragmento(fragmento) {
    if (!fragmento.startsWith(prefixoDoCaso)) return null;
    const codificado = fragmento.slice(prefixoDoCaso.length);
    try {
        return { texto: decodeURIComponent(codificado) };
    } catch {
        return { texto: codificado, erro: "o link não é um texto codificado por cento válido" };
    }
}
