// Builds the page as one self-contained file, index.html: the page's code and
// its libraries bundled, the worker's code (the two page modules, their
// WebAssembly binaries in base64 and the worker) held as a string to be
// started from a Blob, the style and the example input inlined. Nothing is
// fetched when the page runs, so it works from file:// and from any server.
//
//   node construir.mjs --modulos <folder with difusao_calor_pagina.js and
//       estudo_convergencia_pagina.js, and their .wasm unless each carries its
//       own> --saida <folder>
import { build } from "esbuild";
import { existsSync, mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { parseArgs } from "node:util";

const aqui = dirname(fileURLToPath(import.meta.url));
const { values: opcoes } = parseArgs({ options: { modulos: { type: "string" }, saida: { type: "string" } } });
if (!opcoes.modulos || !opcoes.saida) {
    console.error("uso: node construir.mjs --modulos PASTA --saida PASTA");
    process.exit(2);
}
const modulos = resolve(opcoes.modulos);

function modulo(nome) {
    const codigo = readFileSync(join(modulos, `${nome}.js`), "utf8");
    const wasm = join(modulos, `${nome}.wasm`);
    return { codigo, binario: existsSync(wasm) ? readFileSync(wasm).toString("base64") : null };
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

const difusao = modulo("difusao_calor_pagina");
const estudo = modulo("estudo_convergencia_pagina");
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
