"""Strict request framing on top of waitress's parser.

waitress reads each request whole before the application sees it, so no request is ever read out of
another's body. These classes refuse, with a 4xx answer and a closed connection, the framings that
two parties could read differently: a Transfer-Encoding in HTTP/1.0, one beside a Content-Length or
one whose last coding is not chunked, a Content-Length that is repeated or not plain digits, and
chunk sizes that are not plain hexadecimal digits.
"""

import re
import time

from waitress.buffers import OverflowableBuffer
from waitress.channel import HTTPChannel
from waitress.parser import HTTPRequestParser, ParsingError
from waitress.utilities import BadRequest, RequestEntityTooLarge

MAX_BODY = 1 << 20
# A chunk-size line (with its extensions and line end) and the trailer are small; longer is refused.
MAX_CHUNK_LINE = 128
MAX_TRAILER_LINES = 32
_CHUNK_SIZE = re.compile(rb"[0-9A-Fa-f]{1,8}")
_DIGITS = re.compile(rb"[0-9]+")
# A length with more significant digits than this is far over MAX_BODY; it is never converted.
_MAX_LENGTH_DIGITS = 15


class _Refused(Exception):
    """A request refused from its head, answered with `error` (a waitress error)."""

    def __init__(self, error):
        super().__init__(error.body)
        self.error = error


# The two fields that frame a body, found in one pass over the head. waitress reads every field
# again afterwards and refuses what it cannot read (folded lines, names with "_"), so only what both
# read alike gets past.
_FRAMING_FIELD = re.compile(rb"\r\n(transfer-encoding|content-length)[ \t]*:([^\r\n]*)",
                            re.IGNORECASE)


def _fields(head):
    """The values of Transfer-Encoding and Content-Length, each as a list of its occurrences."""
    codings, lengths = [], []
    for name, value in _FRAMING_FIELD.findall(head):
        (lengths if name[0] in b"cC" else codings).append(value.strip(b" \t"))
    return codings, lengths


def _check_framing(header_plus):
    first_line = header_plus.partition(b"\r\n")[0]
    codings, lengths = _fields(header_plus)
    if codings:
        if first_line.rstrip().endswith(b"HTTP/1.0"):
            raise ParsingError("Transfer-Encoding is not allowed in HTTP/1.0")
        if lengths:
            raise ParsingError("Both Transfer-Encoding and Content-Length are given")
        last = b",".join(codings).split(b",")[-1].strip(b" \t").lower()
        if last != b"chunked":
            raise ParsingError("The last transfer coding is not chunked")
    if len(lengths) > 1:
        raise ParsingError("Content-Length is given more than once")
    if lengths:
        if not _DIGITS.fullmatch(lengths[0]):
            raise ParsingError("Content-Length is not a number")
        significant = lengths[0].lstrip(b"0")
        if len(significant) > _MAX_LENGTH_DIGITS or int(significant or b"0") > MAX_BODY:
            raise _Refused(RequestEntityTooLarge("The request body is too large."))
        if len(lengths[0]) > _MAX_LENGTH_DIGITS:
            raise ParsingError("Content-Length has too many leading zeros")


class ChunkedBody:
    """Reads a chunked body as it arrives: size [";" extension] CRLF data CRLF ..., size being one
    to eight hexadecimal digits (no sign, blank, "0x" or underscore), then a bounded trailer. Same
    interface as waitress's receivers."""

    completed = False
    error = None

    def __init__(self, buffer):
        self.buf = buffer
        self.line = b""
        self.remaining = 0  # data bytes of the current chunk still to come
        self.data_end = False  # the CR LF after a chunk's data is due
        self.in_trailer = False
        self.trailer_lines = 0
        self.size = 0

    def __len__(self):
        return self.size

    def getfile(self):
        return self.buf.getfile()

    def getbuf(self):
        return self.buf

    def received(self, data):
        consumed = 0
        while consumed < len(data) and not (self.completed or self.error):
            if self.remaining:
                piece = data[consumed:consumed + self.remaining]
                self.buf.append(piece)
                self.remaining -= len(piece)
                consumed += len(piece)
                continue
            end = data.find(b"\n", consumed)
            stop = len(data) if end < 0 else end + 1
            self.line += data[consumed:stop]
            consumed = stop
            if len(self.line) > MAX_CHUNK_LINE:
                self._fail(BadRequest("A chunk size or trailer line is too long."))
            elif end >= 0:
                line, self.line = self.line, b""
                self._line(line)
        return consumed

    def _fail(self, error):
        self.error = error
        self.completed = True

    def _line(self, line):
        if not line.endswith(b"\r\n"):
            return self._fail(BadRequest("A chunked body line does not end in CR LF."))
        line = line[:-2]
        if self.data_end:
            self.data_end = False
            if line:
                self._fail(BadRequest("A chunk does not end in CR LF."))
        elif self.in_trailer:
            self.trailer_lines += 1
            if not line:
                self.completed = True  # trailer fields carry nothing this service reads
            elif self.trailer_lines > MAX_TRAILER_LINES:
                self._fail(BadRequest("The trailer is too long."))
        else:
            self._size_line(line)

    def _size_line(self, line):
        size_text = line.split(b";", 1)[0]
        if not _CHUNK_SIZE.fullmatch(size_text):
            return self._fail(BadRequest("A chunk size is malformed."))
        size = int(size_text, 16)
        if self.size + size > MAX_BODY:
            return self._fail(RequestEntityTooLarge("The request body is too large."))
        self.size += size
        self.remaining = size
        self.data_end = size > 0
        self.in_trailer = size == 0


class StrictRequestParser(HTTPRequestParser):
    def __init__(self, adj):
        super().__init__(adj)
        # A request must arrive whole within a time from its first byte (see Server).
        self.started = time.monotonic()

    def parse_header(self, header_plus):
        _check_framing(header_plus)
        super().parse_header(header_plus)
        if self.chunked:
            self.body_rcv = ChunkedBody(OverflowableBuffer(self.adj.inbuf_overflow))

    def received(self, data):
        try:
            consumed = super().received(data)
        except _Refused as refusal:
            # The head is refused as a whole; what follows it is never read as a request.
            HTTPRequestParser.parse_header(self, b"GET / HTTP/1.0\r\n")
            self.error = refusal.error
            self.completed = self.headers_finished = True
            consumed = len(data)
        if self.error is not None:
            # A request refused from its head is never invited to send its body.
            self.expect_continue = False
        return consumed


class Channel(HTTPChannel):
    parser_class = StrictRequestParser

    def busy(self):
        """Whether a request of this connection is with the application."""
        return bool(self.requests)

    def closing(self):
        return self.will_close or self.close_when_flushed

    def _flush_some(self, do_close=True):
        # When an answer leaves, the connection starts to wait for its next request. The time is
        # read before sending: any time read after it, like waitress's own last_activity, may come
        # late when the thread is held up under load, after the client already has its answer and
        # has used another connection, which would then look the longer idle.
        before = time.monotonic()
        sent = super()._flush_some(do_close=do_close)
        if sent:
            self.answered_at = before
        return sent

    def refuse(self, status, message):
        """Answers `status` and closes; only for a connection no worker holds (see busy)."""
        body = (message + "\n").encode("utf-8")
        payload = (
            "HTTP/1.1 %s\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: %d\r\n"
            "Connection: close\r\n\r\n" % (status, len(body))
        ).encode("ascii") + body
        with self.outbuf_lock:
            self.outbufs[-1].append(payload)
            self.total_outbufs_len += len(payload)
            self.current_outbuf_count += len(payload)
        with self.requests_lock:
            self.request = None
            self.close_when_flushed = True
