// Reads one server with GameDig and prints what it read as one JSON line, or
// {"up":false}: node gamedig-read.js TYPE HOST PORT
const Gamedig = require('gamedig');

const [type, host, port] = process.argv.slice(2);
Gamedig.query({ type, host, port: Number(port), maxAttempts: 2, socketTimeout: 1000 })
  .then((state) =>
    console.log(JSON.stringify({
      up: true,
      name: state.name,
      map: state.map,
      players: state.players.length,
      maxplayers: state.maxplayers,
      names: state.players.map((p) => p.name || ''),
      raw: state.raw,
    })))
  .catch(() => console.log(JSON.stringify({ up: false })));
