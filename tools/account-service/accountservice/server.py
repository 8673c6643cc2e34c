"""Serves the account service's WSGI application with waitress.

waitress parses each request strictly and reads it whole before the application sees it; the
classes in framing.py refuse the framings it would let through. On top of that the server keeps
slow clients from shutting others out: a request must arrive whole within --request-timeout of its
first byte, an idle connection closes after --idle-timeout, and when --max-connections are open a
newcomer takes the place of the connection that has waited longest for its request (idle or slow to
send), so only requests the application is working on hold a place.
"""

import _thread
import argparse
import logging
import os
import sys
import threading
import time

from waitress.server import TcpWSGIServer

from . import __version__, accounts, framing
from .application import Application, printable

DEFAULT_PATH = "/keldwick/AccountService.asmx"
IDLE_TIMEOUT = 30
REQUEST_TIMEOUT = 30
MAX_CONNECTIONS = 64
# waitress waits in select(), which cannot watch descriptors past 1024.
MOST_CONNECTIONS = 900
# Threads that run the application; requests are short, so a few keep the processor busy.
THREADS = 4
HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WSDL_FILE = os.path.join(HERE, "AccountService.wsdl")
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


class Server(TcpWSGIServer):
    channel_class = framing.Channel

    def __init__(self, application, host, port, max_connections=MAX_CONNECTIONS,
                 idle_timeout=IDLE_TIMEOUT, request_timeout=REQUEST_TIMEOUT):
        super().__init__(application, host=host, port=port, threads=THREADS,
                         ident="NimbrelAccountService/1.0", expose_tracebacks=False,
                         # The cap is kept on accepting (handle_accept), never by leaving
                         # callers in the backlog; waitress's own limit only guards select()
                         # against connections still closing.
                         connection_limit=MOST_CONNECTIONS + 100,
                         max_request_body_size=2 * framing.MAX_BODY)
        self.max_connections = max_connections
        self.request_timeout = request_timeout
        # waitress reads these as whole seconds; the checks run a few times within the shortest.
        self.adj.channel_timeout = idle_timeout
        step = min(1.0, idle_timeout / 4, request_timeout / 4)
        self.adj.cleanup_interval = self.adj.asyncore_loop_timeout = step

    def maintenance(self, now):
        super().maintenance(now)  # closes connections idle for longer than the idle time
        started_before = time.monotonic() - self.request_timeout
        for channel in list(self.active_channels.values()):
            request = channel.request
            if (request is not None and not channel.busy() and not channel.closing()
                    and request.started < started_before):
                channel.refuse("408 Request Timeout", "The request did not arrive in time.")

    def handle_accept(self):
        open_channels = [channel for channel in self.active_channels.values()
                         if not channel.closing()]
        if len(open_channels) >= self.max_connections:
            waiting = [channel for channel in open_channels if not channel.busy()]
            if waiting:
                self._evict(min(waiting, key=_waiting_since))
            else:
                self._refuse_busy()
                return
        super().handle_accept()

    @staticmethod
    def _evict(channel):
        if channel.request is None:
            channel.will_close = True  # idle between requests: simply closed
        else:
            channel.refuse("503 Service Unavailable", "The service is busy; try again shortly.")
        channel.handle_write()  # closes it now, so its place is free for the newcomer

    def _refuse_busy(self):
        try:
            accepted = self.accept()
        except OSError:
            return
        if accepted is None:
            return
        connection = accepted[0]
        message = b"The service is busy; try again shortly.\n"
        head = ("HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\n"
                "Content-Length: %d\r\nRetry-After: 1\r\nConnection: close\r\n\r\n"
                % len(message))
        try:
            connection.setblocking(False)
            connection.send(head.encode("ascii") + message)
        except OSError:
            pass
        connection.close()

    def endpoint(self, soap_path):
        host, port = self.socket.getsockname()[:2]
        if ":" in host:
            host = "[%s]" % host
        return "http://%s:%d%s" % (host, port, soap_path)

    def stop(self):
        self.close()
        self.task_dispatcher.shutdown(timeout=5)


def _waiting_since(channel):
    """When the connection began to wait: for its request's rest, or idle since its last answer
    (or since it was opened, when it has had none)."""
    request = channel.request
    if request is not None:
        return request.started
    answered_at = getattr(channel, "answered_at", None)
    if answered_at is not None:
        return answered_at
    return channel.creation_time - time.time() + time.monotonic()


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
                        help="connections open at once, at most %d (default: %%(default)s)"
                             % MOST_CONNECTIONS)
    parser.add_argument("--idle-timeout", type=float, default=IDLE_TIMEOUT,
                        help="seconds an idle connection stays open (default: %(default)s)")
    parser.add_argument("--request-timeout", type=float, default=REQUEST_TIMEOUT,
                        help="seconds a request may take to arrive, from its first byte "
                             "(default: %(default)s)")
    parser.add_argument("--outbox-limit", type=int, default=accounts.OUTBOX_MESSAGES,
                        help="messages the outbox may hold (default: %(default)s)")
    parser.add_argument(
        "--stop-on-eof", action="store_true",
        help="stop when standard input ends (a test harness that dies takes the service with it)",
    )
    arguments = parser.parse_args(argv)
    _check_arguments(parser, arguments)
    return arguments


def _check_arguments(parser, arguments):
    if not 0 <= arguments.port <= 65535:
        parser.error("--port must be between 0 and 65535")
    if arguments.lock_after < 0:
        parser.error("--lock-after must not be negative")
    if not 1 <= arguments.max_connections <= MOST_CONNECTIONS:
        parser.error("--max-connections must be between 1 and %d" % MOST_CONNECTIONS)
    if not (arguments.idle_timeout > 0 and arguments.request_timeout > 0):
        parser.error("--idle-timeout and --request-timeout must be positive")
    if arguments.outbox_limit < 1:
        parser.error("--outbox-limit must be at least 1")


class _PrintableFormatter(logging.Formatter):
    def format(self, record):
        return "account-service: " + printable(super().format(record))


def _log_server_messages():
    handler = logging.StreamHandler(sys.stderr)
    handler.setFormatter(_PrintableFormatter("%(message)s"))
    logger = logging.getLogger("waitress")
    logger.addHandler(handler)
    logger.setLevel(logging.WARNING)
    logger.propagate = False


def _stop_on_eof():
    # Unbuffered reads: a daemon thread blocked inside the buffered reader holds its lock when the
    # interpreter shuts down, and Python then aborts with a fatal error instead of exiting.
    try:
        while os.read(sys.stdin.fileno(), 4096):
            pass
    except OSError:
        pass
    _thread.interrupt_main()


def make_server(arguments, service):
    with open(WSDL_FILE, encoding="utf-8") as handle:
        wsdl = handle.read()
    application = Application(service, arguments.path, wsdl, None, arguments.quiet)
    server = Server(application, arguments.bind, arguments.port, arguments.max_connections,
                    arguments.idle_timeout, arguments.request_timeout)
    application.fallback_host = server.endpoint("")[len("http://"):]
    return server


def main(argv=None):
    arguments = parse_arguments(argv)
    try:
        users = accounts.load_users(arguments.users)
    except accounts.UsersFileError as error:
        print("account-service: %s" % error, file=sys.stderr)
        return 2
    service = accounts.AccountService(users, arguments.outbox, arguments.lock_after,
                                      outbox_messages=arguments.outbox_limit)
    _log_server_messages()
    try:
        server = make_server(arguments, service)
    except OSError as error:
        print("account-service: cannot listen on %s port %d: %s"
              % (arguments.bind, arguments.port, error), file=sys.stderr)
        return 1
    # The first line names the endpoint, so a caller that asked for port 0 learns the port.
    print("account-service: listening on %s" % server.endpoint(arguments.path), flush=True)
    print("account-service: %d users from %s; e-mails go to %s"
          % (len(users), arguments.users, arguments.outbox), flush=True)
    try:
        if arguments.stop_on_eof:
            threading.Thread(target=_stop_on_eof, daemon=True).start()
        server.run()
    except KeyboardInterrupt:
        pass
    finally:
        server.stop()
    return 0
