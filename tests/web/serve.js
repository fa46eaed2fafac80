// A static server for the built site: the files of one folder, nothing else. Used by
// `./scripts/web --serve` and by the browser tests.
//   node serve.js FOLDER [PORT]      (PORT 0: any free one, printed on the first line)
const http = require('http');
const fs = require('fs');
const path = require('path');

const kTypes = {
  '.html': 'text/html; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8', '.wasm': 'application/wasm', '.svg': 'image/svg+xml',
  '.webmanifest': 'application/manifest+json', '.wav': 'audio/wav',
};

function serve(folder, port, onListening) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const wanted = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    let file = path.resolve(root, `.${wanted}`);
    if (file !== root && !file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    if (wanted.endsWith('/')) file = path.join(file, 'index.html');
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-cache' });
      response.end(data);
    });
  });
  server.listen(port, '127.0.0.1', () => onListening(server.address().port));
  return server;
}

module.exports = { serve };

if (require.main === module) {
  const [folder, port] = process.argv.slice(2);
  serve(folder, Number(port || 8000), (actual) => console.log(`http://localhost:${actual}/`));
}
