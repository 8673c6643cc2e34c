"""HTTP/1.1 front of the account service, on the standard library's threading HTTP server.

Every answer carries a Content-Length so connections stay open between calls; a client that asks
for "Connection: close" gets it, and an idle connection is dropped after a time-out.
"""

import argparse
import http.server
import os
import socket
import sys
import threading

from . import accounts, wire

DEFAULT_PATH = "/keldwick/AccountService.asmx"
MAX_BODY = 1 << 20
IDLE_TIMEOUT = 30
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_USERS = os.path.join(HERE, "demo-users.json")
SOURCE_TREE = os.path.dirname(os.path.dirname(HERE))


def default_outbox():
    """build/outbox in the source tree; installed, the user's state folder."""
    if os.path.isfile(os.path.join(SOURCE_TREE, "CMakePresets.json")):
        return os.path.join(SOURCE_TREE, "build", "outbox")
    state = os.environ.get("XDG_STATE_HOME") or os.path.join(
        os.path.expanduser("~"), ".local", "state")
    return os.path.join(state, "keldwick-account-service", "outbox")


DEFAULT_OUTBOX = default_outbox()


class RequestError(Exception):
    """An HTTP-level refusal, answered with a plain-text status, not a SOAP fault."""

    def __init__(self, status, message, close=False):
        super().__init__(message)
        self.status = status
        self.message = message
        self.close = close


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "NimbrelAccountService/1.0"
    timeout = IDLE_TIMEOUT

    def log_message(self, format, *args):  # noqa: A002 - the base class names it so
        if not self.server.quiet:
            sys.stderr.write("account-service: %s %s\n" % (self.address_string(), format % args))

    def do_POST(self):
        try:
            self._check_path()
            body = self._read_body()
        except RequestError as error:
            self._send_plain(error.status, error.message, error.close)
            return
        self._answer_soap(body)

    def do_GET(self):
        self._refuse_method()

    do_HEAD = do_PUT = do_DELETE = do_OPTIONS = do_PATCH = do_GET

    def _refuse_method(self):
        try:
            self._check_path()
        except RequestError as error:
            self._send_plain(error.status, error.message)
            return
        self._send_plain(405, "Only POST is served here.", extra=[("Allow", "POST")])

    def _check_path(self):
        if self.path.split("?", 1)[0] != self.server.soap_path:
            raise RequestError(404, "No service at %s." % self.path)

    def _read_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            return self._read_chunked()
        length = self.headers.get("Content-Length")
        if length is None:
            raise RequestError(411, "A Content-Length is required.", close=True)
        if not length.strip().isdigit():
            raise RequestError(400, "The Content-Length is not a number.", close=True)
        if int(length) > MAX_BODY:
            raise RequestError(413, "The request body is too large.", close=True)
        body = self.rfile.read(int(length))
        if len(body) != int(length):
            raise RequestError(400, "The request body ended early.", close=True)
        return body

    def _read_chunked(self):
        body = bytearray()
        while True:
            line = self.rfile.readline(64)
            size_text = line.split(b";", 1)[0].strip()
            try:
                size = int(size_text, 16)
            except ValueError:
                raise RequestError(400, "A chunk size is malformed.", close=True) from None
            if size < 0 or len(body) + size > MAX_BODY:
                raise RequestError(413, "The request body is too large.", close=True)
            if size == 0:
                break
            body += self.rfile.read(size)
            self.rfile.readline(64)
        while self.rfile.readline(1024).strip():
            pass  # trailer fields carry nothing this service reads
        return bytes(body)

    def _answer_soap(self, body):
        try:
            media_type = self.headers.get("Content-Type", "").split(";", 1)[0].strip().lower()
            if media_type != "text/xml":
                raise wire.client_fault("A SOAP 1.1 request must have the content type text/xml.")
            operation = wire.operation_from_action(self.headers.get("SOAPAction"))
            parameters = wire.parse_request(body, operation)
            outputs = self._call(operation, parameters)
        except wire.SoapFault as fault:
            self._send(500, wire.write_fault(fault.code, fault.message))
            return
        self._send(200, wire.write_response(operation, outputs))

    def _call(self, operation, parameters):
        service = self.server.service
        try:
            if operation == "CreateSession":
                session, code = service.create_session(
                    parameters["strUserID"], parameters["strUserPassword"]
                )
                return {"CreateSessionResult": session, "nErrorCode": code}
            if operation == "GetErrorMessage":
                text = service.get_error_message(
                    parameters["strSessionID"], parameters["nErrorCode"]
                )
                return {"GetErrorMessageResult": text}
            return {"EmailUserPasswordResult": service.email_user_password(parameters["strUserID"])}
        except OSError as error:
            raise wire.SoapFault(
                "Server", "The message could not be written to the outbox: %s" % error
            ) from None

    def _send(self, status, payload, content_type="text/xml; charset=utf-8", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(payload)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(payload)

    def _send_plain(self, status, message, close=False, extra=()):
        if close:
            self.close_connection = True
            extra = list(extra) + [("Connection", "close")]
        self._send(status, (message + "\n").encode("utf-8"), "text/plain; charset=utf-8", extra)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, service, soap_path=DEFAULT_PATH, quiet=False):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        self.service = service
        self.soap_path = soap_path
        self.quiet = quiet
        super().__init__(address, Handler)

    def endpoint(self):
        host, port = self.server_address[:2]
        if ":" in host:
            host = "[%s]" % host
        return "http://%s:%d%s" % (host, port, self.soap_path)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog="account-service",
        description="Reference Nimbrel account service (SOAP 1.1) for Keldwick demos and tests.",
    )
    parser.add_argument("--users", default=DEFAULT_USERS, help="users file (JSON)")
    parser.add_argument("--outbox", default=DEFAULT_OUTBOX, help="folder for password e-mails")
    parser.add_argument("--bind", default="127.0.0.1", help="address to listen on")
    parser.add_argument("--port", type=int, default=8731, help="port; 0 picks a free one")
    parser.add_argument("--path", default=DEFAULT_PATH, help="path of the service page")
    parser.add_argument(
        "--lock-after", type=int, default=3, help="wrong passwords that lock an account (0: never)"
    )
    parser.add_argument("--quiet", action="store_true", help="do not log requests")
    parser.add_argument(
        "--stop-on-eof", action="store_true",
        help="stop when standard input ends (a test harness that dies takes the service with it)",
    )
    arguments = parser.parse_args(argv)
    if not 0 <= arguments.port <= 65535:
        parser.error("--port must be between 0 and 65535")
    if arguments.lock_after < 0:
        parser.error("--lock-after must not be negative")
    return arguments


def _stop_on_eof(server):
    while sys.stdin.buffer.read(4096):
        pass
    server.shutdown()


def main(argv=None):
    arguments = parse_arguments(argv)
    try:
        users = accounts.load_users(arguments.users)
    except accounts.UsersFileError as error:
        print("account-service: %s" % error, file=sys.stderr)
        return 2
    service = accounts.AccountService(users, arguments.outbox, arguments.lock_after)
    try:
        server = Server((arguments.bind, arguments.port), service, arguments.path, arguments.quiet)
    except OSError as error:
        print("account-service: cannot listen on %s port %d: %s"
              % (arguments.bind, arguments.port, error), file=sys.stderr)
        return 1
    # The first line names the endpoint, so a caller that asked for port 0 learns the port.
    print("account-service: listening on %s" % server.endpoint(), flush=True)
    print("account-service: %d users from %s; e-mails go to %s"
          % (len(users), arguments.users, arguments.outbox), flush=True)
    if arguments.stop_on_eof:
        threading.Thread(target=_stop_on_eof, args=(server,), daemon=True).start()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0
