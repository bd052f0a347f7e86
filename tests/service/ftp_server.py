"""Loopback FTP server for the update download tests.

Usage: ftp_server.py ROOT USER PASSWORD
Prints the port it listens on, then serves until killed. Files whose name
starts with "broken-" fail after their first 64 KiB have been sent.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class BrokenReader:
    def __init__(self, f):
        self._f = f
        self._sent = 0
        self.name = f.name
        self.closed = False

    def read(self, n=-1):
        if self._sent >= 65536:
            raise OSError("disk went away")
        data = self._f.read(min(n, 65536 - self._sent) if n and n > 0 else 65536)
        self._sent += len(data)
        return data

    def close(self):
        self.closed = True
        self._f.close()


class FS(AbstractedFS):
    def open(self, filename, mode):
        f = super().open(filename, mode)
        if "r" in mode and f.name.rsplit("/", 1)[-1].startswith("broken-"):
            return BrokenReader(f)
        return f


def main():
    root, user, password = sys.argv[1:4]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.abstracted_fs = FS
    handler.use_sendfile = False
    handler.auth_failed_timeout = 0
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
