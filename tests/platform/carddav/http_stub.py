"""An HTTP server for the client tests, on a free loopback port that it
prints first: busy replies, redirects on and off the host, and with
CERT KEY arguments TLS under that certificate."""
import collections, http.server, ssl, sys

counts = collections.Counter()


class Handler(http.server.BaseHTTPRequestHandler):
    def reply(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        counts[self.path] += 1
        port = self.server.server_address[1]
        if self.path == "/busy" and counts[self.path] < 3:
            self.reply(503, headers=[("Retry-After", "0")])
        elif self.path == "/always-busy":
            self.reply(429, headers=[("Retry-After", "0")])
        elif self.path.startswith("/count"):
            self.reply(200, str(counts[self.path[len("/count"):]]).encode())
        elif self.path == "/moved":
            self.reply(301, headers=[("Location", "/final")])
        elif self.path == "/away":
            self.reply(302, headers=[("Location", f"http://localhost:{port}/final")])
        elif self.path == "/auth":
            self.reply(200, b"with credentials" if self.headers.get("Authorization") else b"without")
        else:
            self.reply(200, f"{self.path} {counts[self.path]}".encode())

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
if len(sys.argv) == 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
