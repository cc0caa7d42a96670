"""An FTP server for the transfer tests: anonymous and one user, read only,
listening on 127.0.0.1 only. Usage: ftp_server.py ROOT PORT"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, port = sys.argv[1], int(sys.argv[2])
authorizer = DummyAuthorizer()
authorizer.add_user("quendel", "s3cret", root, perm="elr")
authorizer.add_anonymous(root)
FTPHandler.authorizer = authorizer
FTPHandler.banner = "quendel test server ready"
logging.basicConfig(level=logging.WARNING)
FTPServer(("127.0.0.1", port), FTPHandler).serve_forever()
