// The page in a real browser: Debian's chromium, headless, driven by
// playwright-core, opening the built page from file:// as a student would.
// Each test keeps a screenshot in $CAPTURAS.
//
//   PAGINA=<built index.html> DIFUSAO_CALOR=<native difusao_calor> CAPTURAS=<folder> node --test testes/
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, symlinkSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { basename, join, resolve } from "node:path";
import { after, before, describe, test } from "node:test";
import { pathToFileURL } from "node:url";
import { chromium } from "playwright-core";
import * as casos from "./casos.mjs";

const pagina = process.env.PAGINA && pathToFileURL(resolve(process.env.PAGINA)).href;
const nativo = process.env.DIFUSAO_CALOR && existsSync(process.env.DIFUSAO_CALOR) ? resolve(process.env.DIFUSAO_CALOR) : null;
const interpretador = new URL("../../exemplo/interpretador.sh", import.meta.url).pathname;
const temporarias = [];
const capturas = resolve(process.env.CAPTURAS ?? "capturas");
const navegador = process.env.CHROMIUM ?? "/usr/bin/chromium";

// A program on an input: its status and standard error. The native program's
// are the bytes the page must show.
function rodarPrograma(comando, entrada) {
    const pasta = mkdtempSync(join(tmpdir(), "pagina-programa-"));
    try {
        writeFileSync(join(pasta, "entradas_geral.ent"), entrada, "latin1");
        const r = spawnSync(comando[0], comando.slice(1), { cwd: pasta, env: { ...process.env, COMSPEC: "/bin/true" } });
        return { estado: r.status, erro: r.stderr };
    } finally {
        rmSync(pasta, { recursive: true });
    }
}
// The Linux interpreter asked to plot where gnuplot is missing and a display
// exists: it writes ver_no_navegador.html in the run's folder, which sends
// the browser to the page on the run's case, and opens it (xdg-open, here a
// stand-in that records what it is given). The URL of that file.
function paginaPeloInterpretador(entrada) {
    const pasta = mkdtempSync(join(tmpdir(), "pagina-interpretador-"));
    temporarias.push(pasta);
    const bin = join(pasta, "bin");
    mkdirSync(bin);
    for (const dir of ["/usr/local/bin", "/usr/bin", "/bin"]) {
        for (const nome of existsSync(dir) ? readdirSync(dir) : []) {
            if (nome !== "gnuplot" && nome !== "xdg-open" && !existsSync(join(bin, nome))) symlinkSync(join(dir, nome), join(bin, nome));
        }
    }
    writeFileSync(join(bin, "xdg-open"), `#!/bin/sh\necho "$@" >> "${pasta}/abertos"\n`, { mode: 0o755 });
    const corrida = join(pasta, "corrida");
    mkdirSync(corrida);
    writeFileSync(join(corrida, "entradas_geral.ent"), entrada, "latin1");
    const r = spawnSync(interpretador, ["-c", "wgnuplot temp_media.gnu"], {
        cwd: corrida, env: { PATH: bin, DISPLAY: ":77", DIFUSAO_PAGINA: resolve(process.env.PAGINA) },
    });
    assert.equal(r.status, 0, r.stderr.toString());
    assert.match(r.stderr.toString(), /gnuplot não encontrado: os gráficos abrem no navegador/);
    assert.equal(readFileSync(join(pasta, "abertos"), "utf8"), "ver_no_navegador.html\n");
    return pathToFileURL(join(corrida, "ver_no_navegador.html")).href;
}

const latin1 = (bytes) => Buffer.from(bytes).toString("latin1");
// The listing as the page shows it: Windows-1252 text, lines ended by LF.
const comoMostrada = (bytes) => new TextDecoder("windows-1252").decode(bytes).replace(/\r\n/g, "\n");

describe("a página no chromium", { skip: !pagina && "PAGINA não foi dada" }, () => {
    let browser;
    // playwright-core starts the browser on a new, empty profile of its own.
    before(async () => {
        mkdirSync(capturas, { recursive: true });
        browser = await chromium.launch({
            executablePath: navegador,
            headless: true,
            args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync"],
        });
    });
    after(async () => {
        await browser?.close();
        for (const pasta of temporarias) rmSync(pasta, { recursive: true, force: true });
    });

    // A fresh page on `fragmento` (or another address); every request it
    // makes is recorded, so that a test sees that nothing left the file.
    async function abrir(fragmento = "", endereco = pagina + fragmento) {
        const contexto = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 900 } });
        const page = await contexto.newPage();
        const pedidos = [];
        page.on("request", (r) => pedidos.push(r.url()));
        const erros = [];
        page.on("pageerror", (e) => erros.push(String(e)));
        await page.goto(endereco);
        return { page, contexto, pedidos, erros };
    }
    const fase = (page, ...fases) => page.waitForFunction((f) => f.includes(document.body.dataset.fase), fases, { timeout: 60000 });

    async function digitar(page, texto) {
        await fase(page, "pronta");
        await page.fill("#texto", texto);
    }

    async function baixado(page, seletor) {
        const [download] = await Promise.all([page.waitForEvent("download"), page.click(seletor)]);
        return { nome: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
    }

    async function capturar(page, nome, seletor = "body") {
        await page.locator(seletor).screenshot({ path: join(capturas, `${nome}.png`) });
    }

    // Runs that complete: the listing shown and the three files downloaded are
    // the golden bytes; the plots are drawn, on the signed log axis where the
    // values grow by decades.
    const corridas = [
        { nome: "exemplo", como: "botao", entrada: casos.exemplo, golden: "exemplo", listagem: "listagem.txt", comSinal: false,
          veredito: "θ ≥ 0.5: estável para todo F ≥ 0" },
        { nome: "explicito_instavel", como: "arquivo", entrada: casos.explicitoPar, golden: "explicito_par",
          listagem: "explicito par.lst", comSinal: true, veredito: "estável com Nt ≥ 699 ou θ ≥ 0.5" },
        { nome: "link_caso", como: "link", entrada: casos.pequeno, golden: "pequeno", listagem: "pequeno.txt", comSinal: false,
          veredito: "θ ≥ 0.5: estável para todo F ≥ 0" },
        { nome: "lancador_sem_gnuplot", como: "interpretador", entrada: casos.pequenoComAcentos, golden: "pequeno",
          listagem: "pequeno.txt", comSinal: false, veredito: "θ ≥ 0.5: estável para todo F ≥ 0" },
    ];
    for (const c of corridas) {
        test(`corrida ${c.nome}: listagem, arquivos e gráficos`, async () => {
            const { page, contexto, pedidos, erros } = c.como === "link" ? await abrir("#caso=" + encodeURIComponent(c.entrada))
                : c.como === "interpretador" ? await abrir("", paginaPeloInterpretador(c.entrada)) : await abrir();
            if (c.como === "botao") await digitar(page, c.entrada);
            if (c.como === "arquivo") {
                await fase(page, "pronta");
                await page.setInputFiles("#abrir", { name: "entradas_geral.ent", mimeType: "text/plain", buffer: Buffer.from(c.entrada, "latin1") });
            }
            if (c.como === "botao" || c.como === "arquivo") await page.click("#rodar");
            await fase(page, "sucesso");
            assert.equal(await page.inputValue("#texto"), c.entrada.replace(/\r\n/g, "\n"));
            const esperado = (nome) => readFileSync(join(casos.golden, c.golden, "esperado", nome));
            assert.equal(await page.textContent("#listagem"), comoMostrada(esperado(c.listagem)));
            for (const nome of [c.listagem, "temp_media.txt", "temp_meio.txt"]) {
                const { nome: sugerido, bytes } = await baixado(page, `#baixar [data-arquivo="${nome}"]`);
                assert.equal(sugerido, nome);
                assert.ok(bytes.equals(esperado(nome)), `${nome} difere do arquivo do programa`);
            }
            const graficos = await page.$$eval("#graficos .grafico", (gs) => gs.map((g) => [g.dataset.grafico, g.dataset.eixoComSinal ?? "não"]));
            assert.deepEqual(graficos, [["temp_media", c.comSinal ? "sim" : "não"], ["temp_meio", c.comSinal ? "sim" : "não"]]);
            const png = await baixado(page, '#graficos [data-grafico="temp_media"] button:nth-child(1)');
            assert.deepEqual([png.nome, [...png.bytes.subarray(1, 4)]], ["temp_media.png", [0x50, 0x4e, 0x47]]);
            const svg = await baixado(page, '#graficos [data-grafico="temp_media"] button:nth-child(2)');
            assert.match(svg.bytes.toString("utf8"), /^<svg[^>]*xmlns="http:\/\/www.w3.org\/2000\/svg"/);
            // The title's verdict is the study's, word for word, as the plot scripts get it.
            assert.ok(svg.bytes.toString("utf8").includes(c.veredito), `o título não tem o veredito do estudo: ${c.veredito}`);
            await capturar(page, c.nome);
            assert.deepEqual(pedidos.filter((u) => !u.startsWith("file:") && !u.startsWith("blob:") && !u.startsWith("data:")), []);
            assert.deepEqual(erros, []);
            console.log(`${c.nome}: ${JSON.stringify(await page.evaluate(() => window.medidas))}`);
            await contexto.close();
        });
    }

    // Runs that end with a report: the report is the native program's, word
    // for word, the launchers' explanation follows, and no file is offered.
    const falhas = [
        { nome: "falha_leitura", entrada: casos.nove, explicacao: "a leitura de entradas_geral.ent parou" },
        { nome: "falha_aritmetica", entrada: casos.semNos, explicacao: "falha aritmética (M) no cálculo" },
    ];
    for (const c of falhas) {
        test(`falha ${c.nome}: o relatório do programa, a explicação e nenhum arquivo`, { skip: !nativo && "DIFUSAO_CALOR não foi dado" }, async () => {
            const nativa = rodarPrograma([nativo], c.entrada);
            const { page, contexto } = await abrir();
            await digitar(page, c.entrada);
            await page.click("#rodar");
            await fase(page, "falha");
            assert.equal(await page.textContent("#status"), String(nativa.estado));
            assert.equal(await page.textContent("#relatorio"), latin1(nativa.erro).replace(/\r\n/g, "\n").replace(/^\n/, ""));
            assert.ok((await page.textContent("#explicacao")).startsWith(c.explicacao));
            assert.equal(await page.locator("#baixar button").count(), 0);
            assert.equal(await page.locator("#graficos .grafico").count(), 0);
            await capturar(page, c.nome);
            await contexto.close();
        });
    }

    test("vírgula decimal: o aviso aparece na linha 7 enquanto se digita", async () => {
        const { page, contexto } = await abrir();
        await digitar(page, casos.virgula);
        const aviso = page.locator('#avisos li[data-linhas="7"]');
        await aviso.waitFor({ timeout: 30000 });
        assert.match(await aviso.textContent(), /^linha 7: .*vírgula/);
        assert.equal(await page.textContent("#numeros .marcada"), "7\n");
        await capturar(page, "virgula", "#entrada");
        await contexto.close();
    });

    test("um link que não é uma entrada válida fica no editor, sem rodar", async () => {
        for (const [fragmento, texto] of [["#caso=%E0%A4%A", "%E0%A4%A"], ["#caso=" + encodeURIComponent(casos.nove), casos.nove]]) {
            const { page, contexto } = await abrir(fragmento);
            await fase(page, "link-invalido");
            assert.equal(await page.inputValue("#texto"), texto);
            assert.equal(await page.isHidden("#resultado"), true);
            if (texto === casos.nove) await capturar(page, "link_invalido", "#entrada");
            await contexto.close();
        }
    });

    test("uma corrida grande é estimada e perguntada antes de começar", async () => {
        const { page, contexto } = await abrir();
        await digitar(page, casos.grande);
        await page.click("#rodar");
        await fase(page, "perguntando");
        assert.match(await page.textContent("#estimativa"), /^Estimativa da corrida: Nx·Nt = 1\.00e\+08 nós-passo\n {2}memória: /);
        await capturar(page, "grande_pergunta");
        await page.click('#confirmar button[value="nao"]');
        await fase(page, "pronta");
        assert.equal(await page.isHidden("#resultado"), true);
        await contexto.close();
    });

    // Stopping terminates the worker in the middle of the time loop; the next
    // run gets a new one. Stand-ins answer at once, so there is nothing to stop.
    test("uma corrida longa mostra o progresso e para no botão Parar", { skip: process.env.SIMULADA === "1" && "módulos simulados" }, async () => {
        const { page, contexto } = await abrir();
        await digitar(page, casos.grande);
        await page.click("#rodar");
        await fase(page, "perguntando");
        await page.click('#confirmar button[value="sim"]');
        await page.waitForFunction(() => Number(document.querySelector("#progresso").value) > 0, null, { timeout: 60000 });
        await capturar(page, "grande_progresso", "#entrada");
        await page.click("#parar");
        await fase(page, "parada");
        assert.equal(await page.isHidden("#resultado"), true);
        await page.fill("#texto", casos.exemplo);
        await page.click("#rodar");
        await fase(page, "sucesso");
        await contexto.close();
    });

    // The study's three modes on the example: their tables and readings, and
    // their plots.
    for (const [modo, graficos] of [["convergencia", ["convergencia_dx", "convergencia_dt"]], ["comparar", ["comparacao_esquemas"]], ["mapa", ["mapa"]]]) {
        test(`estudo ${modo}: tabelas, leituras e gráficos`, async () => {
            const { page, contexto } = await abrir();
            await fase(page, "pronta");
            await page.click(`[data-estudo="${modo}"]`);
            await fase(page, "estudo-pronto");
            assert.match(await page.textContent("#estudo-saida"), /Leitura/);
            assert.deepEqual(await page.$$eval("#estudo-graficos .grafico", (gs) => gs.map((g) => g.dataset.grafico)), graficos);
            await capturar(page, `estudo_${modo}`, "#estudo");
            await contexto.close();
        });
    }
});
