// The page's module of difusao_calor under node, as a page's worker uses it:
// the .wasm compiled once and handed to a fresh instance per run. Each
// reference run comes back with the golden files byte for byte and the
// command lines of a POSIX run; a run that fails comes back with the
// report's exact bytes, status 1, the editor only and the folder as it was
// (an earlier run's files byte for byte, no new file); the time loop's
// progress ends at the last level and never goes back.
//
//   node testar_modulo_pagina.js MODULO.js PASTA_GOLDEN
'use strict';
const assert = require('assert');
const fs = require('fs');
const path = require('path');

const [modulo, golden] = process.argv.slice(2);
const DifusaoCalor = require(path.resolve(modulo));
const compilado = new WebAssembly.Module(fs.readFileSync(path.resolve(modulo).replace(/\.js$/, '.wasm')));
const instanciar = (importacoes, pronto) => {
  pronto(new WebAssembly.Instance(compilado, importacoes));
  return {};
};

function comandosEsperados(caso) {
  const posix = path.join(golden, caso, 'comandos.posix.txt');
  const texto = fs.readFileSync(fs.existsSync(posix) ? posix : path.join(golden, caso, 'esperado', 'comandos.txt'), 'latin1');
  return texto.split('\n').filter((linha) => linha !== '');
}

async function executar(entrada, aoProgresso, anteriores = {}) {
  const m = await DifusaoCalor({ instantiateWasm: instanciar, aoProgresso });
  const arquivos = { ...anteriores, 'entradas_geral.ent': new Uint8Array(entrada) };
  return m.executar({ argumentos: [], arquivos, ambiente: {} });
}

const referencias = ['exemplo', 'pequeno', 'explicito_par'];

const falhas = [
  {
    nome: 'nove valores',
    entrada: 'pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n',
    erro: '\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- end of file encountered\r\n',
    anteriores: { 'pequeno.txt': Buffer.from('anterior\r\n'), 'temp_media.txt': Buffer.from('0 1 2\r\n') },
  },
  {
    nome: 'pasta inexistente',
    entrada: "'nao_existe/pequeno.txt'\n1\n3\n1\n1\n100\n1\n1\n1\n1\n",
    erro: '\r\nrun-time error F6416: OPEN(nao_existe/pequeno.txt)\r\n- file not found\r\n',
    anteriores: { 'temp_media.txt': Buffer.from('0 1 2\r\n'), 'temp_meio.txt': Buffer.from('3 4 5\r\n') },
  },
];

(async () => {
  for (const caso of referencias) {
    const entrada = fs.readFileSync(path.join(golden, caso, 'entradas_geral.ent'));
    const niveis = [];
    const r = await executar(entrada, (feitos, total) => niveis.push([feitos, total]));
    assert.strictEqual(r.estado, 0, caso);
    assert.strictEqual(r.erro.length + r.saida.length, 0, `${caso}: nothing on the standard streams`);
    assert.deepStrictEqual(r.comandos, comandosEsperados(caso), caso);
    const esperados = fs.readdirSync(path.join(golden, caso, 'esperado')).filter((nome) => nome !== 'comandos.txt');
    assert.deepStrictEqual(Object.keys(r.arquivos).sort(), ['entradas_geral.ent', ...esperados].sort(), caso);
    for (const nome of esperados)
      assert.ok(Buffer.from(r.arquivos[nome]).equals(fs.readFileSync(path.join(golden, caso, 'esperado', nome))), `${caso}: ${nome}`);
    assert.ok(niveis.length > 0, `${caso}: progress`);
    const [ultimo, total] = niveis[niveis.length - 1];
    assert.strictEqual(ultimo, total, `${caso}: the last level is announced`);
    niveis.forEach(([feitos, t], j) => {
      assert.strictEqual(t, total);
      if (j > 0) assert.ok(feitos >= niveis[j - 1][0], `${caso}: progress goes back`);
    });
    console.log(`${caso}: files, commands and progress as expected`);
  }
  for (const falha of falhas) {
    const anteriores = falha.anteriores || {};
    const r = await executar(Buffer.from(falha.entrada, 'latin1'), undefined, anteriores);
    assert.strictEqual(r.estado, 1, falha.nome);
    assert.strictEqual(Buffer.from(r.erro).toString('latin1'), falha.erro, falha.nome);
    assert.strictEqual(r.saida.length, 0, falha.nome);
    assert.deepStrictEqual(r.comandos, ['notepad entradas_geral.ent'], falha.nome);
    assert.deepStrictEqual(Object.keys(r.arquivos).sort(), ['entradas_geral.ent', ...Object.keys(anteriores)].sort(), falha.nome);
    for (const [nome, bytes] of Object.entries(anteriores))
      assert.ok(Buffer.from(r.arquivos[nome]).equals(bytes), `${falha.nome}: ${nome} changed`);
    console.log(`${falha.nome}: the report, status 1, the editor only, the folder as it was`);
  }
})().catch((erro) => {
  console.error(erro);
  process.exit(1);
});
