"""The reference service's bounds: strict chunk sizes, a cap on connections served at once, and
sessions that expire."""

import os
import socket
import sys
import time
import unittest

from test_account_service import NS, ServiceCase, element, envelope

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

    def test_connections_past_the_cap_are_told_to_come_back(self):
        first, second = self.connect(), self.connect()
        # Both are served and stay open (keep-alive), each holding its place.
        self.assertEqual(self.sign_in(first), 200)
        self.assertEqual(self.sign_in(second), 200)
        request = b"GET / HTTP/1.1\r\nHost: x\r\n\r\n"
        self.assertEqual(raw_exchange(self.port, request), 503)
        # A place is free again once a connection has closed.
        first.close()
        deadline = time.monotonic() + 10
        status = 503
        while status == 503 and time.monotonic() < deadline:
            status = raw_exchange(self.port, request)
        self.assertEqual(status, 404)


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
