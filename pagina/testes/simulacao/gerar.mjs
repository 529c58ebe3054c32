// Stand-ins for the page modules while the WebAssembly ones are not built:
// the native programs are run on every input of ../casos.mjs, and each
// stand-in replays those results through the page module's interface
// (executar, print, printErr, aoProgresso). An input it was not given
// answers with status 1 and says so.
//
//   node gerar.mjs <difusao_calor> <estudo_convergencia> <folder for the two stand-ins>
import { spawnSync } from "node:child_process";
import { mkdtempSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pedidos } from "../casos.mjs";

const [difusao, estudo, saida] = process.argv.slice(2).map((c) => resolve(c));
const executaveis = { difusao, estudo };
const chave = (argumentos, entrada) => `${argumentos.join(" ")}|${Buffer.from(entrada, "latin1").toString("base64")}`;

// The command interpreter of the runs: records each command line outside the folder.
const pastaTemporaria = mkdtempSync(join(tmpdir(), "pagina-simulacao-"));
const interpretador = join(pastaTemporaria, "interpretador.sh");
writeFileSync(interpretador, '#!/bin/sh\nprintf "%s\\n" "$2" >> "$REGISTRO"\n', { mode: 0o755 });

const resultados = { difusao: {}, estudo: {} };
pedidos.forEach(({ programa, argumentos, entrada }, j) => {
    const pasta = join(pastaTemporaria, String(j));
    const registro = join(pastaTemporaria, `${j}.comandos`);
    mkdirSync(pasta);
    writeFileSync(join(pasta, "entradas_geral.ent"), entrada, "latin1");
    writeFileSync(registro, "");
    const r = spawnSync(executaveis[programa], argumentos, {
        cwd: pasta,
        env: { ...process.env, COMSPEC: interpretador, REGISTRO: registro, DIFUSAO_EXPLICADOR: estudo },
    });
    const arquivos = {};
    for (const nome of readdirSync(pasta)) arquivos[nome] = readFileSync(join(pasta, nome)).toString("base64");
    resultados[programa][chave(argumentos, entrada)] = {
        estado: r.status,
        saida: r.stdout.toString("base64"),
        erro: r.stderr.toString("base64"),
        arquivos,
        comandos: readFileSync(registro, "utf8").split("\n").filter((l) => l !== ""),
    };
});
rmSync(pastaTemporaria, { recursive: true });

const simulacao = (fabrica, casos) => `var ${fabrica} = (() => {
  const casos = ${JSON.stringify(casos)};
  const bytes = (b64) => Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
  const base64 = (u8) => btoa(Array.from(u8, (b) => String.fromCharCode(b)).join(""));
  return async (opcoes = {}) => ({
    executar({ argumentos, arquivos }) {
      const entrada = arquivos["entradas_geral.ent"] ?? new Uint8Array();
      const caso = casos[argumentos.join(" ") + "|" + base64(entrada)];
      if (!caso) {
        return { estado: 1, saida: new Uint8Array(), erro: new TextEncoder().encode("simulação: entrada desconhecida\\n"),
                 arquivos: {}, comandos: [] };
      }
      for (let feitos = 0; feitos <= 4; feitos++) opcoes.aoProgresso?.(feitos, 4);
      const saida = bytes(caso.saida);
      const texto = new TextDecoder().decode(saida);
      if (texto) texto.replace(/\\n$/, "").split("\\n").forEach((l) => opcoes.print?.(l));
      return { estado: caso.estado, saida, erro: bytes(caso.erro),
               arquivos: Object.fromEntries(Object.entries(caso.arquivos).map(([n, b]) => [n, bytes(b)])),
               comandos: caso.comandos };
    },
  });
})();
`;
mkdirSync(saida, { recursive: true });
writeFileSync(join(saida, "difusao_calor_pagina.js"), simulacao("DifusaoCalor", resultados.difusao));
writeFileSync(join(saida, "estudo_convergencia_pagina.js"), simulacao("EstudoConvergencia", resultados.estudo));
