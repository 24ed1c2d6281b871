"""An anonymous, read-only FTP server on 127.0.0.1 for tests.

Usage: ftp-server.py FOLDER PORT_FILE [no-mlsd]
Serves FOLDER, writes the port it listens on to PORT_FILE, and runs until
it is killed (the test bounds it). With "no-mlsd" it answers only LIST, as
older servers do. Every command it takes is logged to PORT_FILE.log, one
a line ("USER anonymous", "SIZE /pub/a.iso"), passwords left out.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])
authorizer.add_user("joe", "s3cret", sys.argv[1])
log = open(sys.argv[2] + ".log", "a", buffering=1)


class Handler(FTPHandler):
    proto_cmds = dict(FTPHandler.proto_cmds)

    def pre_process_command(self, line, cmd, arg):
        log.write(cmd + ("" if cmd == "PASS" or not arg else " " + arg) + "\n")
        return super().pre_process_command(line, cmd, arg)


if len(sys.argv) > 3 and sys.argv[3] == "no-mlsd":
    del Handler.proto_cmds["MLSD"]
    del Handler.proto_cmds["MLST"]
handler = Handler
handler.authorizer = authorizer
handler.passive_ports = None
# A refused login is answered at once: tests wait for it.
handler.auth_failed_timeout = 0.1
server = FTPServer(("127.0.0.1", 0), handler)
with open(sys.argv[2] + ".tmp", "w") as out:
    out.write(str(server.socket.getsockname()[1]))
import os
os.rename(sys.argv[2] + ".tmp", sys.argv[2])
server.serve_forever(timeout=0.5)
