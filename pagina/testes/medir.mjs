// The page's performance figures, measured and printed, never asserted:
// from file:// in headless chromium, the page ready (the modules compiled,
// the example's warnings shown), the example's run with its plots drawn,
// and a run of 10^8 node-steps: its time, how often the progress bar moved,
// and the longest frame of the page meanwhile (how responsive it stayed).
//
//   PAGINA=<built index.html> [DIFUSAO_CALOR=<native program>] node testes/medir.mjs
import { spawnSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { chromium } from "playwright-core";
import * as casos from "./casos.mjs";

const pagina = pathToFileURL(resolve(process.env.PAGINA)).href;
const vezes = 5;
const mediana = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];

const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync"],
});
const fase = (page, f) => page.waitForFunction((x) => document.body.dataset.fase === x, f, { timeout: 600000 });

const prontas = [];
const exemplos = [];
for (let j = 0; j < vezes; j++) {
    const page = await browser.newPage();
    await page.goto(pagina);
    await fase(page, "pronta");
    prontas.push(await page.evaluate(() => window.medidas.pronta));
    await page.click("#rodar");
    await fase(page, "sucesso");
    exemplos.push(await page.evaluate(() => window.medidas.corridaComGraficos));
    if (process.env.DETALHES) console.log(JSON.stringify(await page.evaluate(() => window.medidas)));
    await page.close();
}
console.log(`página pronta, de file:// (mediana de ${vezes}): ${mediana(prontas).toFixed(0)} ms  [${prontas.map((v) => v.toFixed(0)).join(", ")}]`);
console.log(`exemplo rodado, com os gráficos (mediana de ${vezes}): ${mediana(exemplos).toFixed(0)} ms  [${exemplos.map((v) => v.toFixed(0)).join(", ")}]`);

const page = await browser.newPage();
await page.goto(pagina);
await fase(page, "pronta");
await page.fill("#texto", casos.grande);
await page.click("#rodar");
await fase(page, "perguntando");
// The frames of the page during the run, and each move of the progress bar.
await page.evaluate(() => {
    const m = (window.quadros = { maior: 0, quadros: 0, progresso: new Set() });
    let antes = performance.now();
    const quadro = (agora) => {
        m.maior = Math.max(m.maior, agora - antes);
        m.quadros++;
        antes = agora;
        m.progresso.add(document.querySelector("#progresso").value);
        if (document.body.dataset.fase !== "sucesso") requestAnimationFrame(quadro);
    };
    requestAnimationFrame(quadro);
});
const inicio = Date.now();
await page.click('#confirmar button[value="sim"]');
await fase(page, "sucesso");
const total = Date.now() - inicio;
const q = await page.evaluate(() => ({ ...window.quadros, progresso: window.quadros.progresso.size }));
console.log(`10^8 nós-passo (Nx = 10001, Nt = 10000) na página: ${total} ms, com os gráficos; ` +
            `${q.quadros} quadros, o mais longo ${q.maior.toFixed(0)} ms; a barra de progresso em ${q.progresso} posições`);
await browser.close();

if (process.env.DIFUSAO_CALOR) {
    const pasta = mkdtempSync(join(tmpdir(), "pagina-medir-"));
    writeFileSync(join(pasta, "entradas_geral.ent"), casos.grande, "latin1");
    const antes = Date.now();
    spawnSync(resolve(process.env.DIFUSAO_CALOR), [], { cwd: pasta, env: { ...process.env, COMSPEC: "/bin/true" } });
    console.log(`o mesmo caso no programa nativo, a corrida inteira: ${Date.now() - antes} ms`);
    rmSync(pasta, { recursive: true });
}
