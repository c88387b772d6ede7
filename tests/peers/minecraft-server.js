// A Minecraft Java Edition server's status answer, from the minecraft-protocol package,
// on 127.0.0.1: node minecraft-server.js PORT MOTD MAX NAME,NAME,...
// It prints "ready" once it listens and stops on SIGTERM.
const mc = require('minecraft-protocol');

const [port, motd, max, names] = process.argv.slice(2);
const server = mc.createServer({
  'online-mode': false,
  host: '127.0.0.1',
  port: Number(port),
  motd,
  maxPlayers: Number(max),
  version: '1.20.1',
  beforePing: (response) => {
    const sample = (names || '').split(',').filter((n) => n !== '');
    response.players.online = sample.length;
    response.players.sample = sample.map((name, i) => ({
      name,
      id: `00000000-0000-4000-8000-00000000000${i % 10}`,
    }));
    return response;
  },
});
server.on('listening', () => console.log('ready'));
server.on('error', (error) => {
  console.error(error.message);
  process.exit(1);
});
process.on('SIGTERM', () => server.close());
