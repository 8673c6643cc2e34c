"""The account service as a WSGI application: the service page answers SOAP calls by POST and its
description by GET ?WSDL; everything about HTTP framing and connections is the server's."""

import re
import sys
from xml.sax.saxutils import quoteattr

from . import accounts, wire

# A Host header that may go into the description's address as it stands.
_HOST = re.compile(r"[A-Za-z0-9.-]+(:[0-9]{1,5})?|\[[0-9A-Fa-f:.]+\](:[0-9]{1,5})?")
# The address in the description file, replaced by the one the request came to.
WSDL_ADDRESS = 'location="http://127.0.0.1:8731/keldwick/AccountService.asmx"'
_REASONS = {200: "OK", 404: "Not Found", 405: "Method Not Allowed", 411: "Length Required",
            500: "Internal Server Error"}
_XML = "text/xml; charset=utf-8"
_PLAIN = "text/plain; charset=utf-8"
# What a client sends must not reach a terminal as control codes: C0, DEL, C1 and the backslash
# that starts an escape are written as \xNN.
_UNSAFE = re.compile("[\x00-\x1f\x7f-\x9f\\\\]")


def printable(text):
    return _UNSAFE.sub(lambda match: "\\x%02x" % ord(match.group()), text)


class Application:
    def __init__(self, service, soap_path, wsdl, fallback_host, quiet=False, log=sys.stderr):
        self.service = service
        self.soap_path = soap_path
        self.wsdl = wsdl
        self.fallback_host = fallback_host  # host[:port] of the listening socket
        self.quiet = quiet
        self.log = log

    def __call__(self, environ, start_response):
        status, content_type, payload, extra = self._answer(environ)
        if not self.quiet:
            self._log(environ, status)
        headers = [("Content-Type", content_type), ("Content-Length", str(len(payload)))]
        start_response("%d %s" % (status, _REASONS[status]), headers + extra)
        return [payload]

    def _log(self, environ, status):
        line = "%s %s %s" % (environ.get("REQUEST_METHOD", ""), environ.get("REQUEST_URI", ""),
                             environ.get("SERVER_PROTOCOL", ""))
        self.log.write("account-service: %s \"%s\" %d\n"
                       % (printable(environ.get("REMOTE_ADDR", "")), printable(line), status))
        self.log.flush()

    def _answer(self, environ):
        method = environ["REQUEST_METHOD"]
        if environ.get("PATH_INFO", "") != self.soap_path:
            return _plain(404, "No service at %s." % environ.get("REQUEST_URI", ""))
        if method in ("GET", "HEAD") and environ.get("QUERY_STRING", "").lower() == "wsdl":
            return 200, _XML, self._wsdl(environ), []
        if method != "POST":
            return _plain(405, "Only POST is served here (and GET of ?WSDL).",
                          [("Allow", "GET, HEAD, POST")])
        if "CONTENT_LENGTH" not in environ:
            return _plain(411, "A Content-Length is required.")
        body = environ["wsgi.input"].read(int(environ["CONTENT_LENGTH"]))
        return self._answer_soap(environ, body)

    def _wsdl(self, environ):
        """The service description, its address the URL this request came to."""
        host = environ.get("HTTP_HOST", "")
        if not _HOST.fullmatch(host):
            host = self.fallback_host
        location = "location=%s" % quoteattr("http://%s%s" % (host, self.soap_path))
        return self.wsdl.replace(WSDL_ADDRESS, location).encode("utf-8")

    def _answer_soap(self, environ, body):
        try:
            media_type = environ.get("CONTENT_TYPE", "").split(";", 1)[0].strip().lower()
            if media_type != "text/xml":
                raise wire.client_fault("A SOAP 1.1 request must have the content type text/xml.")
            operation = wire.operation_from_action(environ.get("HTTP_SOAPACTION"))
            parameters = wire.parse_request(body, operation)
            outputs = self._call(operation, parameters)
        except wire.SoapFault as fault:
            return 500, _XML, wire.write_fault(fault.code, fault.message), []
        return 200, _XML, wire.write_response(operation, outputs), []

    def _call(self, operation, parameters):
        service = self.service
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
        except accounts.OutboxFull:
            raise wire.SoapFault("Server", "The outbox is full.") from None
        except OSError as error:
            raise wire.SoapFault(
                "Server", "The message could not be written to the outbox: %s" % error
            ) from None


def _plain(status, message, extra=()):
    return status, _PLAIN, (message + "\n").encode("utf-8"), list(extra)
