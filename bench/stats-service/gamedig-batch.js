// Reads many servers of one type with GameDig, all at once, and prints the milliseconds it
// took and how many it read: node gamedig-batch.js TYPE PORT... (on 127.0.0.1)
const Gamedig = require('../../tests/peers/node_modules/gamedig');

const [type, ...ports] = process.argv.slice(2);
const started = process.hrtime.bigint();
Promise.allSettled(ports.map((port) =>
  Gamedig.query({ type, host: '127.0.0.1', port: Number(port), maxAttempts: 1, socketTimeout: 2000 })))
  .then((results) => {
    const ms = Number(process.hrtime.bigint() - started) / 1e6;
    const read = results.filter((r) => r.status === 'fulfilled').length;
    console.log(`${ms.toFixed(1)} ${read}`);
  });
