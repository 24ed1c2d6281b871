"""A static HTTPS server on 127.0.0.1 for tests.

Usage: https-server.py FOLDER CERT KEY PORT_FILE
Serves FOLDER over TLS with the given certificate, writes the port it
listens on to PORT_FILE, and runs until it is killed (the test bounds it).
"""
import functools
import http.server
import os
import ssl
import sys

folder, cert, key, port_file = sys.argv[1:5]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    """Serves the folder; a file NAME.redirect beside NAME sends NAME's
    requests to the address it holds instead (302)."""

    def log_message(self, *args):
        pass

    def redirected(self):
        marker = self.translate_path(self.path) + ".redirect"
        if not os.path.isfile(marker):
            return False
        with open(marker) as target:
            location = target.read().strip()
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()
        return True

    def do_GET(self):
        if not self.redirected():
            super().do_GET()

    def do_HEAD(self):
        if not self.redirected():
            super().do_HEAD()


handler = functools.partial(QuietHandler, directory=folder)
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
with open(port_file + ".tmp", "w") as out:
    out.write(str(server.socket.getsockname()[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
