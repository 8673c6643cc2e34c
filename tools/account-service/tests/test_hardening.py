"""The reference service's bounds, from raw sockets: strict framing, slow clients that cannot shut
others out, a log a client cannot write control codes into, a bounded outbox whose messages are
never overwritten, and sessions that expire."""

import http.client
import os
import re
import socket
import sys
import time
import unittest

from test_account_service import NS, ServiceCase, element, envelope, start_service

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from accountservice import accounts  # noqa: E402


def raw_exchange(port, data, timeout=10):
    """Sends raw bytes and returns the status code of the answer (0 when none came)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
        connection.sendall(data)
        answer = b""
        while b"\r\n" not in answer:
            piece = connection.recv(4096)
            if not piece:
                break
            answer += piece
    parts = answer.split(b" ", 2)
    return int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else 0


class ChunkSizeTest(ServiceCase):
    def chunked(self, chunks):
        body = envelope("GetErrorMessage", element("nErrorCode", "2"))
        head = ("POST %s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\n"
                'SOAPAction: "%sGetErrorMessage"\r\nTransfer-Encoding: chunked\r\n'
                "Connection: close\r\n\r\n" % (self.path, NS)).encode("ascii")
        return head + chunks(body)

    def test_well_formed_chunks_with_extensions_are_read(self):
        def chunks(body):
            return (b"%x;name=value\r\n%s\r\n%X\r\n%s\r\n0\r\nX-Trailer: 1\r\n\r\n"
                    % (10, body[:10], len(body) - 10, body[10:]))
        self.assertEqual(raw_exchange(self.port, self.chunked(chunks)), 200)

    def test_sizes_that_are_not_plain_hexadecimal_digits_are_refused(self):
        for size in (b"+10", b"-1", b" 10", b"10 ", b"0x10", b"1_0", b"", b"g",
                     b"1" * 9, b"10\n"):
            with self.subTest(size=size):
                def chunks(body, size=size):
                    return size + b"\r\n" + body[:16] + b"\r\n0\r\n\r\n"
                self.assertEqual(raw_exchange(self.port, self.chunked(chunks)), 400)

    def test_an_endless_size_line_or_trailer_is_refused(self):
        long_line = self.chunked(lambda body: b"1" + b";x" * 5000 + b"\r\n")
        self.assertEqual(raw_exchange(self.port, long_line), 400)
        long_trailer = self.chunked(lambda body: b"0\r\n" + b"X-T: 1\r\n" * 100 + b"\r\n")
        self.assertEqual(raw_exchange(self.port, long_trailer), 400)
        no_crlf = self.chunked(lambda body: b"4\r\nabcdXY0\r\n\r\n")
        self.assertEqual(raw_exchange(self.port, no_crlf), 400)


class ConnectionCapTest(ServiceCase):
    extra_arguments = ["--max-connections", "2"]

    def sign_in(self, connection):
        body = envelope("CreateSession", element("strUserID", "demo") +
                        element("strUserPassword", "demo"))
        response, _ = self.post(body, "CreateSession", connection=connection)
        return response.status

    def test_past_the_cap_a_newcomer_takes_the_place_of_the_longest_idle(self):
        first, second = self.connect(), self.connect()
        # Both are served and stay open (keep-alive), each holding its place.
        self.assertEqual(self.sign_in(first), 200)
        self.assertEqual(self.sign_in(second), 200)
        request = b"GET / HTTP/1.1\r\nHost: x\r\n\r\n"
        self.assertEqual(raw_exchange(self.port, request), 404)
        # The first, idle longest, was closed for it; the second still serves.
        self.assertEqual(first.sock.recv(1), b"")
        self.assertEqual(self.sign_in(second), 200)


def raw_answers(port, data, timeout=10):
    """Sends raw bytes and reads until the service closes the connection."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
        connection.sendall(data)
        answer = b""
        while True:
            piece = connection.recv(65536)
            if not piece:
                return answer
            answer += piece


class FramingTest(ServiceCase):
    def test_a_body_is_never_read_as_a_request(self):
        smuggled = (b"GET %s?WSDL HTTP/1.1\r\nHost: smuggled.example\r\n\r\n"
                    % self.path.encode())
        closing = b"GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
        for method, path in (("POST", "/nope"), ("PUT", self.path), ("DELETE", self.path),
                             ("PATCH", self.path), ("OPTIONS", self.path)):
            with self.subTest(method=method):
                head = ("%s %s HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n"
                        % (method, path, len(smuggled))).encode()
                answers = raw_answers(self.port, head + smuggled + closing)
                # The refusal and the closing request's 404, nothing from the body.
                self.assertEqual(answers.count(b"HTTP/1.1 "), 2, answers)
                self.assertNotIn(b"smuggled", answers)

    def test_malformed_framing_is_refused_and_the_connection_closed(self):
        head = b"POST %s HTTP/1.1\r\nHost: x\r\n" % self.path.encode()
        cases = [
            (b"Content-Length: \xb2\r\n", 400),
            (b"Content-Length: " + b"1" * 4301 + b"\r\n", 413),
            (b"Content-Length: " + b"0" * 5000 + b"5\r\n", 400),
            (b"Content-Length: +5\r\n", 400),
            (b"Content-Length: 5\r\nContent-Length: 6\r\n", 400),
            (b"Transfer-Encoding: gzip\r\n", 400),
            (b"Transfer-Encoding: chunked, gzip\r\n", 400),
            (b"Transfer-Encoding: xchunkedx\r\n", 400),
            (b"Transfer-Encoding: chunked\r\nContent-Length: 5\r\n", 400),
            (b"Expect: 100-continue\r\nContent-Length: %d\r\n" % ((1 << 20) + 1), 413),
        ]
        for fields, status in cases:
            with self.subTest(fields=fields[:40]):
                answer = raw_answers(self.port, head + fields + b"\r\n0\r\n\r\nhello")
                self.assertRegex(answer, rb"^HTTP/1\.[01] %d " % status)
                self.assertEqual(answer.count(b"HTTP/1."), 1, answer)
        # Transfer-Encoding means nothing to HTTP/1.0, so a body framed by it is refused.
        old = (b"POST %s HTTP/1.0\r\nConnection: keep-alive\r\nTransfer-Encoding: chunked\r\n"
               b"\r\n0\r\n\r\n" % self.path.encode())
        self.assertRegex(raw_answers(self.port, old), rb"^HTTP/1\.[01] 400 ")


class SlowClientTest(ServiceCase):
    extra_arguments = ["--max-connections", "4", "--request-timeout", "1.5"]

    def slow_client(self):
        connection = socket.create_connection(("127.0.0.1", self.port), timeout=10)
        self.addCleanup(connection.close)
        connection.sendall(b"POST %s HTTP/1.1\r\nHost: x\r\n" % self.path.encode())
        return connection

    def test_slow_clients_at_the_cap_leave_room_for_another(self):
        slow = [self.slow_client() for _ in range(4)]
        time.sleep(0.2)
        started = time.monotonic()
        wsdl = b"GET %s?WSDL HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n" % self.path.encode()
        self.assertEqual(raw_exchange(self.port, wsdl), 200)
        self.assertLess(time.monotonic() - started, 1)
        # The one that had waited longest gave its place and was told so.
        self.assertIn(b" 503 ", slow[0].recv(4096))

    def test_a_request_that_trickles_in_is_cut_off(self):
        connection = self.slow_client()
        connection.settimeout(0.2)
        started = time.monotonic()
        answer = b""
        while not answer and time.monotonic() - started < 5:
            connection.sendall(b"X")  # never idle, never done
            try:
                answer = connection.recv(4096)
            except socket.timeout:
                pass
        self.assertIn(b" 408 ", answer)
        self.assertLess(time.monotonic() - started, 3.5)


class LogTest(ServiceCase):
    log_requests = True

    def test_control_characters_from_a_client_are_escaped_in_the_log(self):
        request = b"GET /\x1b[2J\x07\x7f HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
        self.assertEqual(raw_exchange(self.port, request), 404)
        deadline = time.monotonic() + 5
        text = b""
        while b"GET" not in text and time.monotonic() < deadline:
            time.sleep(0.05)
            with open(self.log, "rb") as handle:
                text = handle.read()
        self.assertIn(b"GET /\\x1b[2J\\x07", text)
        self.assertIsNone(re.search(rb"[\x00-\x09\x0b-\x1f\x7f]", text), text)


class SharedOutboxTest(ServiceCase):
    extra_arguments = ["--outbox-limit", "6"]

    def email(self, port):
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        self.addCleanup(connection.close)
        connection.request("POST", self.path, envelope("EmailUserPassword",
                                                       element("strUserID", "demo")),
                           {"Content-Type": "text/xml", "SOAPAction": '"%sEmailUserPassword"' % NS})
        response = connection.getresponse()
        return response.status, response.read()

    def test_two_services_never_overwrite_each_others_messages_and_stop_when_full(self):
        other, other_port, _ = start_service(
            ["--quiet", "--users", self.users, "--outbox", self.outbox, "--outbox-limit", "6"])
        self.addCleanup(other.wait, 10)
        self.addCleanup(other.stdout.close)
        self.addCleanup(other.terminate)
        for _ in range(3):  # within one second: both services name messages alike
            for port in (self.port, other_port):
                self.assertEqual(self.email(port)[0], 200)
        messages = sorted(os.listdir(self.outbox))
        self.assertEqual(len(messages), 6, messages)
        status, payload = self.email(self.port)
        self.assertEqual(status, 500)
        self.assertIn(b"<faultcode>soap:Server</faultcode>", payload)
        self.assertIn(b"outbox is full", payload)
        self.assertEqual(sorted(os.listdir(self.outbox)), messages)


class SessionExpiryTest(unittest.TestCase):
    def setUp(self):
        self.now = 1000.0
        users = {"demo": {"password": "demo", "email": ""}}
        self.service = accounts.AccountService(users, "/nonexistent", clock=lambda: self.now,
                                               session_lifetime=3600, max_sessions=3)

    def sign_in(self):
        session, code = self.service.create_session("demo", "demo")
        self.assertEqual(code, accounts.OK)
        return session

    def test_a_session_ends_after_its_lifetime(self):
        session = self.sign_in()
        self.now += 3599
        self.assertEqual(self.service.session_user(session), "demo")
        self.now += 1
        self.assertIsNone(self.service.session_user(session))
        self.assertEqual(self.service.session_count(), 0)

    def test_at_most_the_limit_is_kept_and_the_oldest_go_first(self):
        sessions = []
        for _ in range(5):
            sessions.append(self.sign_in())
            self.now += 1
        self.assertEqual(self.service.session_count(), 3)
        self.assertIsNone(self.service.session_user(sessions[1]))
        self.assertEqual(self.service.session_user(sessions[2]), "demo")
        self.assertEqual(self.service.session_user(sessions[4]), "demo")

    def test_the_defaults_are_an_hour_and_ten_thousand(self):
        self.assertEqual((accounts.SESSION_LIFETIME, accounts.MAX_SESSIONS), (3600, 10000))


if __name__ == "__main__":
    unittest.main()
