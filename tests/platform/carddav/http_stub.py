"""An HTTP server for the client tests, on a free loopback port that it
prints first: busy replies, redirects on and off the host, Basic and
Digest challenges (user alice, password pw), and with CERT KEY arguments
TLS under that certificate."""
import collections, hashlib, http.server, os, re, ssl, sys

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from stub_http import QuietHandler, serve

NONCE = "5ca1ab1e"


def md5(text):
    return hashlib.md5(text.encode()).hexdigest()


def digest_ok(method, header):
    """Whether an Authorization header answers the Digest challenge (RFC 7616, MD5, qop auth)."""
    if not header.startswith("Digest "):
        return False
    p = {k: a or b for k, a, b in re.findall(r'(\w+)=(?:"([^"]*)"|([^,\s]*))', header[7:])}
    ha1 = md5(f"{p.get('username')}:{p.get('realm')}:pw")
    ha2 = md5(f"{method}:{p.get('uri')}")
    expected = md5(f"{ha1}:{p.get('nonce')}:{p.get('nc')}:{p.get('cnonce')}:{p.get('qop')}:{ha2}")
    return p.get("username") == "alice" and p.get("nonce") == NONCE and p.get("response") == expected

counts = collections.Counter()


class Handler(QuietHandler):
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
            if self.headers.get("Authorization", "").startswith("Basic "):
                self.reply(200, b"with credentials")
            else:
                self.reply(401, headers=[("WWW-Authenticate", 'Basic realm="stub"')])
        elif self.path == "/digest":
            if digest_ok("GET", self.headers.get("Authorization", "")):
                self.reply(200, b"digest accepted")
            else:
                challenge = f'Digest realm="stub", nonce="{NONCE}", qop="auth", algorithm=MD5'
                self.reply(401, headers=[("WWW-Authenticate", challenge)])
        else:
            self.reply(200, f"{self.path} {counts[self.path]}".encode())


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
if len(sys.argv) == 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    server.socket = context.wrap_socket(server.socket, server_side=True)
serve(server)
