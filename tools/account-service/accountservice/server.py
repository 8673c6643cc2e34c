"""HTTP/1.1 front of the account service, on the standard library's threading HTTP server.

Every answer carries a Content-Length so connections stay open between calls; a client that asks
for "Connection: close" gets it, and an idle connection is dropped after a time-out.
"""

import argparse
import http.server
import os
import re
import socket
import sys
import threading
from xml.sax.saxutils import quoteattr

from . import __version__, accounts, wire

DEFAULT_PATH = "/keldwick/AccountService.asmx"
MAX_BODY = 1 << 20
IDLE_TIMEOUT = 30
# Connections served at once; more are answered 503 and closed.
MAX_CONNECTIONS = 64
# A chunk-size line (with its extensions and line end) and the trailer are small; longer is refused.
MAX_CHUNK_LINE = 128
MAX_TRAILER_LINES = 32
_CHUNK_SIZE = re.compile(rb"[0-9A-Fa-f]{1,8}")
# A Host header that may go into the description's address as it stands.
_HOST = re.compile(r"[A-Za-z0-9.-]+(:[0-9]{1,5})?|\[[0-9A-Fa-f:.]+\](:[0-9]{1,5})?")
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WSDL_FILE = os.path.join(HERE, "AccountService.wsdl")
# The address in the file, replaced by the one the request came to.
WSDL_ADDRESS = 'location="http://127.0.0.1:8731/keldwick/AccountService.asmx"'
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
    # The head and the body of an answer leave in separate writes; with Nagle's algorithm on, the
    # body waited for the client's delayed acknowledgement of the head, 40 ms for every call on a
    # kept connection.
    disable_nagle_algorithm = True

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
        if self.command in ("GET", "HEAD") and self._asks_for_wsdl():
            self._send(200, self._wsdl())
            return
        self._refuse_method()

    def _asks_for_wsdl(self):
        path, _, query = self.path.partition("?")
        return path == self.server.soap_path and query.lower() == "wsdl"

    def _wsdl(self):
        """The service description, its address the URL this request came to."""
        host = self.headers.get("Host", "")
        if not _HOST.fullmatch(host):
            address, port = self.server.server_address[:2]
            host = ("[%s]:%d" if ":" in address else "%s:%d") % (address, port)
        location = "location=%s" % quoteattr("http://%s%s" % (host, self.server.soap_path))
        return self.server.wsdl.replace(WSDL_ADDRESS, location).encode("utf-8")

    do_HEAD = do_PUT = do_DELETE = do_OPTIONS = do_PATCH = do_GET

    def _refuse_method(self):
        try:
            self._check_path()
        except RequestError as error:
            self._send_plain(error.status, error.message)
            return
        self._send_plain(405, "Only POST is served here (and GET of ?WSDL).",
                         extra=[("Allow", "GET, HEAD, POST")])

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

    def _read_line(self, what):
        """One line of at most MAX_CHUNK_LINE bytes, without its CR LF."""
        line = self.rfile.readline(MAX_CHUNK_LINE + 1)
        if len(line) > MAX_CHUNK_LINE or not line.endswith(b"\r\n"):
            raise RequestError(400, "A %s line is too long or does not end in CR LF." % what,
                               close=True)
        return line[:-2]

    def _read_chunked(self):
        """chunk = size [";" extension] CRLF data CRLF; size is hexadecimal digits only (no sign,
        no blanks, no "0x", no underscores), at most eight of them."""
        body = bytearray()
        while True:
            size_text = self._read_line("chunk size").split(b";", 1)[0]
            if not _CHUNK_SIZE.fullmatch(size_text):
                raise RequestError(400, "A chunk size is malformed.", close=True)
            size = int(size_text, 16)
            if len(body) + size > MAX_BODY:
                raise RequestError(413, "The request body is too large.", close=True)
            if size == 0:
                break
            data = self.rfile.read(size)
            if len(data) != size or self.rfile.read(2) != b"\r\n":
                raise RequestError(400, "A chunk ended early or without CR LF.", close=True)
            body += data
        for _ in range(MAX_TRAILER_LINES):
            if not self._read_line("trailer"):
                return bytes(body)  # trailer fields carry nothing this service reads
        raise RequestError(400, "The trailer is too long.", close=True)

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

    def __init__(self, address, service, soap_path=DEFAULT_PATH, quiet=False,
                 max_connections=MAX_CONNECTIONS):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        self.service = service
        self.soap_path = soap_path
        self.quiet = quiet
        self._slots = threading.BoundedSemaphore(max_connections)
        with open(WSDL_FILE, encoding="utf-8") as handle:
            self.wsdl = handle.read()
        super().__init__(address, Handler)

    def process_request(self, request, client_address):
        # Each connection holds a thread until it closes: past the cap, a caller is told to come
        # back later instead of being given one more.
        if not self._slots.acquire(blocking=False):
            self._refuse_busy(request)
            return
        try:
            super().process_request(request, client_address)
        except Exception:
            # No thread was started to give the place back. (A stop request, which is not an
            # Exception, passes through untouched: the thread may already own the place.)
            self._slots.release()
            raise

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self._slots.release()

    def _refuse_busy(self, request):
        message = b"The service is busy; try again shortly.\n"
        head = ("HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\n"
                "Content-Length: %d\r\nRetry-After: 1\r\nConnection: close\r\n\r\n"
                % len(message))
        try:
            request.settimeout(1)
            request.sendall(head.encode("ascii") + message)
        except OSError:
            pass
        self.shutdown_request(request)

    def endpoint(self):
        host, port = self.server_address[:2]
        if ":" in host:
            host = "[%s]" % host
        return "http://%s:%d%s" % (host, port, self.soap_path)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog="keldwick-account-service",
        description="Reference Nimbrel account service (SOAP 1.1) for Keldwick demos and tests.",
    )
    parser.add_argument("--version", action="version",
                        version="%(prog)s " + __version__)
    parser.add_argument("--users", default=DEFAULT_USERS,
                        help="users file (JSON) (default: the demo users, %(default)s)")
    parser.add_argument("--outbox", default=DEFAULT_OUTBOX,
                        help="folder for password e-mails (default: %(default)s)")
    parser.add_argument("--bind", default="127.0.0.1",
                        help="address to listen on (default: %(default)s)")
    parser.add_argument("--port", type=int, default=8731,
                        help="port; 0 picks a free one (default: %(default)s)")
    parser.add_argument("--path", default=DEFAULT_PATH,
                        help="path of the service page (default: %(default)s)")
    parser.add_argument(
        "--lock-after", type=int, default=3,
        help="wrong passwords that lock an account; 0: never (default: %(default)s)"
    )
    parser.add_argument("--quiet", action="store_true", help="do not log requests")
    parser.add_argument("--max-connections", type=int, default=MAX_CONNECTIONS,
                        help="connections served at once; more are answered 503 "
                             "(default: %(default)s)")
    parser.add_argument(
        "--stop-on-eof", action="store_true",
        help="stop when standard input ends (a test harness that dies takes the service with it)",
    )
    arguments = parser.parse_args(argv)
    if not 0 <= arguments.port <= 65535:
        parser.error("--port must be between 0 and 65535")
    if arguments.lock_after < 0:
        parser.error("--lock-after must not be negative")
    if arguments.max_connections < 1:
        parser.error("--max-connections must be at least 1")
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
        server = Server((arguments.bind, arguments.port), service, arguments.path, arguments.quiet,
                        arguments.max_connections)
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
