// A Minecraft Bedrock Edition server's answer to RakNet's unconnected ping, from the
// bedrock-protocol package with its JavaScript RakNet (jsp-raknet), on 127.0.0.1:
// node bedrock-server.js PORT NAME WORLD MAX. It prints "ready" once it listens.
// The package's index would load its native RakNet for the client side, which is not built.
const { createServer } = require('bedrock-protocol/src/createServer');

const [port, motd, levelName, max] = process.argv.slice(2);
createServer({
  host: '127.0.0.1',
  port: Number(port),
  raknetBackend: 'jsp-raknet',
  motd: { motd, levelName },
  maxPlayers: Number(max),
});
console.log('ready');
