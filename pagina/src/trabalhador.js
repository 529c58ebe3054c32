// The page's Web Worker: runs difusao_calor and estudo_convergencia, built as
// WebAssembly page modules, so that the page stays responsive during a run.
// The worker's source is the two modules' factories (DifusaoCalor,
// EstudoConvergencia), the modules' binaries as base64 (BINARIOS_WASM, null
// for a module that carries its own) and this file, joined at build time and
// started from a Blob: from file:// a browser neither starts a worker from a
// file nor fetches the .wasm.
//
// Messages in:  { id, programa: "difusao" | "estudo", argumentos, arquivos }
// Messages out: { tipo: "pronto" } once the modules are compiled;
//               { id, tipo: "progresso", feitos, total }, { id, tipo: "texto", fluxo, texto },
//               { id, tipo: "fim", resultado } or { id, tipo: "falha", mensagem }.
// The page stops a run by terminating the worker.

/* global DifusaoCalor, EstudoConvergencia, BINARIOS_WASM */

function deBase64(texto) {
    const binario = atob(texto);
    const bytes = new Uint8Array(binario.length);
    for (let j = 0; j < binario.length; j++) bytes[j] = binario.charCodeAt(j);
    return bytes;
}

// Each module is compiled once per worker; every run instantiates it anew
// (one fresh instance per run, so no state passes from one run to the next).
async function compilar(base64) {
    return base64 ? WebAssembly.compile(deBase64(base64)) : null;
}

const programas = {
    difusao: { fabrica: DifusaoCalor, compilado: compilar(BINARIOS_WASM.difusao) },
    estudo: { fabrica: EstudoConvergencia, compilado: compilar(BINARIOS_WASM.estudo) },
};

async function instanciar(programa, id) {
    const { fabrica, compilado } = programas[programa];
    const modulo = await compilado;
    const opcoes = {
        print: (texto) => postMessage({ id, tipo: "texto", fluxo: "saida", texto }),
        printErr: (texto) => postMessage({ id, tipo: "texto", fluxo: "erro", texto }),
        aoProgresso: (feitos, total) => postMessage({ id, tipo: "progresso", feitos, total }),
    };
    if (modulo) {
        opcoes.instantiateWasm = (importacoes, pronto) => {
            WebAssembly.instantiate(modulo, importacoes).then((instancia) => pronto(instancia, modulo));
            return {};
        };
    }
    return fabrica(opcoes);
}

// The files of a result, handed over without copies.
function transferiveis(resultado) {
    const buffers = [resultado.saida.buffer, resultado.erro.buffer];
    for (const bytes of Object.values(resultado.arquivos)) buffers.push(bytes.buffer);
    return [...new Set(buffers)];
}

onmessage = async ({ data: { id, programa, argumentos, arquivos } }) => {
    try {
        const m = await instanciar(programa, id);
        const r = m.executar({ argumentos, arquivos, ambiente: {} });
        const resultado = {
            estado: r.estado,
            saida: Uint8Array.from(r.saida),
            erro: Uint8Array.from(r.erro),
            arquivos: Object.fromEntries(Object.entries(r.arquivos).map(([nome, b]) => [nome, Uint8Array.from(b)])),
            comandos: [...r.comandos],
        };
        postMessage({ id, tipo: "fim", resultado }, transferiveis(resultado));
    } catch (erro) {
        postMessage({ id, tipo: "falha", mensagem: String(erro && erro.message ? erro.message : erro) });
    }
};

Promise.all(Object.values(programas).map((p) => p.compilado)).then(
    () => postMessage({ tipo: "pronto" }),
    (erro) => postMessage({ tipo: "falha", mensagem: `módulo não compilou: ${erro}` }),
);
