// Builds the page as one self-contained file, index.html: the page's code and
// its libraries bundled, the worker's code (the two page modules, their
// WebAssembly binaries in base64 and the worker) held as a string to be
// started from a Blob, the style and the example input inlined. Nothing is
// fetched when the page runs, so it works from file:// and from any server.
//
//   node construir.mjs --difusao <difusao_calor_pagina.js> --estudo <estudo_convergencia_pagina.js>
//       --saida <folder>
// Each module's .wasm is taken from beside its script, or out of the script
// when it carries its own (a single-file build): the worker compiles each
// binary once and hands every run an instance of it, so that the code the
// engine has optimised serves the next runs too.
import { build } from "esbuild";
import { existsSync, mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { parseArgs } from "node:util";

const aqui = dirname(fileURLToPath(import.meta.url));
const { values: opcoes } = parseArgs({
    options: { difusao: { type: "string" }, estudo: { type: "string" }, saida: { type: "string" } },
});
if (!opcoes.difusao || !opcoes.estudo || !opcoes.saida) {
    console.error("uso: node construir.mjs --difusao MODULO.js --estudo MODULO.js --saida PASTA");
    process.exit(2);
}

const embutido = /(wasmBinaryFile\s*=\s*"data:application\/octet-stream;base64,)([A-Za-z0-9+/=]+)"/;

function modulo(script) {
    const codigo = readFileSync(resolve(script), "utf8");
    const wasm = resolve(script).replace(/\.js$/, ".wasm");
    if (existsSync(wasm)) return { codigo, binario: readFileSync(wasm).toString("base64") };
    const dentro = codigo.match(embutido);
    if (!dentro) return { codigo, binario: null };
    return { codigo: codigo.replace(embutido, '$1"'), binario: dentro[2] };
}

async function empacotar(entrada, plugins = []) {
    const r = await build({
        entryPoints: [join(aqui, "src", entrada)],
        bundle: true,
        format: "iife",
        minify: true,
        write: false,
        target: "es2020",
        legalComments: "none",
        plugins,
    });
    return r.outputFiles[0].text;
}

const difusao = modulo(opcoes.difusao);
const estudo = modulo(opcoes.estudo);
const trabalhador = [
    difusao.codigo,
    estudo.codigo,
    `var BINARIOS_WASM = ${JSON.stringify({ difusao: difusao.binario, estudo: estudo.binario })};`,
    await empacotar("trabalhador.js"),
].join("\n;\n");

// What the page imports from the build: the worker's source and the example.
const daConstrucao = {
    name: "da-construcao",
    setup(b) {
        b.onResolve({ filter: /^construcao:/ }, (a) => ({ path: a.path, namespace: "construcao" }));
        b.onLoad({ filter: /.*/, namespace: "construcao" }, (a) => {
            const textos = {
                "construcao:trabalhador": trabalhador,
                "construcao:exemplo": readFileSync(join(aqui, "..", "exemplo", "entradas_geral.ent"), "latin1"),
            };
            return { contents: textos[a.path], loader: "text" };
        });
    },
};
const codigo = await empacotar("principal.js", [daConstrucao]);

// A script element ends at the first "</script" in its text, wherever it is.
const semFimDeScript = (texto) => texto.replace(/<\/(script)/gi, "<\\/$1");
const html = readFileSync(join(aqui, "src", "index.html"), "utf8")
    .replace("/*ESTILO*/", () => readFileSync(join(aqui, "src", "estilo.css"), "utf8"))
    .replace("/*CODIGO*/", () => semFimDeScript(codigo));
mkdirSync(opcoes.saida, { recursive: true });
writeFileSync(join(opcoes.saida, "index.html"), html);
