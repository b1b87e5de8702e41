"""What the tests' HTTP stub servers share: a handler that replies with a
body and its length and logs nothing, and serving on a free loopback port
that is printed first, for the test to read."""
import http.server


class QuietHandler(http.server.BaseHTTPRequestHandler):
    def reply(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def serve(server):
    print(server.server_address[1], flush=True)
    server.serve_forever()
