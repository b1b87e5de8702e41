"""A CardDAV address book in memory for the export tests, at /alice/book/
(user alice, password from FERRYWELL_PASSWORD, Basic), on a free loopback
port that it prints first. --no-etag: stored vCards get no ETag in the PUT
reply (a PROPFIND tells it). --vcard4: it says it takes vCard 3 and 4, else
vCard 3 only. --delay SECONDS: each PUT takes that long. GET /stats (no
password) tells the PUTs so far, the most at once and the GETs of cards on
its first line, and every card after it."""
import argparse, base64, hashlib, http.server, os, sys, threading, time

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from stub_http import QuietHandler, serve

args = argparse.ArgumentParser()
args.add_argument("--no-etag", action="store_true")
args.add_argument("--vcard4", action="store_true")
args.add_argument("--delay", type=float, default=0)
options = args.parse_args()

BOOK = "/alice/book/"
CREDENTIALS = "Basic " + base64.b64encode(("alice:" + os.environ["FERRYWELL_PASSWORD"]).encode()).decode()
cards = {}  # name -> (bytes, etag)
lock = threading.Lock()
stats = {"puts": 0, "now": 0, "most": 0, "gets": 0}


def etag_of(body):
    return '"' + hashlib.sha1(body).hexdigest()[:16] + '"'


def response(href, props):
    return (f"<d:response><d:href>{href}</d:href><d:propstat><d:prop>{props}</d:prop>"
            "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>")


class Handler(QuietHandler):
    protocol_version = "HTTP/1.1"

    def body(self):
        return self.rfile.read(int(self.headers.get("Content-Length", 0)))

    def allowed(self):
        if self.headers.get("Authorization") == CREDENTIALS:
            return True
        self.body()
        self.reply(401, headers=[("WWW-Authenticate", 'Basic realm="stub"')])
        return False

    def do_PROPFIND(self):
        if not self.allowed():
            return
        asked = self.body()
        with lock:
            if self.path == BOOK:
                kind = "<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>"
                if b"supported-address-data" in asked:
                    types = '<c:address-data-type content-type="text/vcard" version="3.0"/>'
                    if options.vcard4:
                        types += '<c:address-data-type content-type="text/vcard" version="4.0"/>'
                    kind = f"<c:supported-address-data>{types}</c:supported-address-data>"
                parts = [response(BOOK, kind)]
                if self.headers.get("Depth") == "1":
                    parts += [response(BOOK + n, f"<d:getetag>{e}</d:getetag>") for n, (_, e) in cards.items()]
            elif self.path.startswith(BOOK) and self.path[len(BOOK):] in cards:
                parts = [response(self.path, f"<d:getetag>{cards[self.path[len(BOOK):]][1]}</d:getetag>")]
            else:
                return self.reply(404)
        xml = ('<?xml version="1.0" encoding="utf-8"?><d:multistatus xmlns:d="DAV:" '
               'xmlns:c="urn:ietf:params:xml:ns:carddav">' + "".join(parts) + "</d:multistatus>")
        self.reply(207, xml.encode(), [("Content-Type", "application/xml; charset=utf-8")])

    def do_PUT(self):
        if not self.allowed():
            return
        body, name = self.body(), self.path[len(BOOK):]
        with lock:
            stats["now"] += 1
            stats["most"] = max(stats["most"], stats["now"])
        time.sleep(options.delay)
        with lock:
            stats["now"] -= 1
            stats["puts"] += 1
            held = cards.get(name)
            match, none = self.headers.get("If-Match"), self.headers.get("If-None-Match")
            if (none == "*" and held) or (match and (not held or held[1] != match)):
                return self.reply(412)
            cards[name] = (body, etag_of(body))
        self.reply(201, headers=[] if options.no_etag else [("ETag", cards[name][1])])

    def do_GET(self):
        if self.path == "/stats":
            with lock:
                text = "puts={puts} most={most} gets={gets}\n".format(**stats).encode()
                return self.reply(200, text + b"".join(b for b, _ in cards.values()))
        if not self.allowed():
            return
        with lock:
            stats["gets"] += 1
            held = cards.get(self.path[len(BOOK):])
        if not held:
            return self.reply(404)
        self.reply(200, held[0], [("ETag", held[1])])


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
serve(server)
