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
    def log_message(self, *args):
        pass


handler = functools.partial(QuietHandler, directory=folder)
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
with open(port_file + ".tmp", "w") as out:
    out.write(str(server.socket.getsockname()[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
