"""End-to-end tests of the reference account service: each class starts the real program on a free
loopback port and talks HTTP/1.1 to it."""

import http.client
import json
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = os.path.join(os.path.dirname(HERE), "account-service")
NS = "http://services.nimbrel.example/keldwick/"
SOAP = "http://schemas.xmlsoap.org/soap/envelope/"
XSI = "http://www.w3.org/2001/XMLSchema-instance"
USERS = {
    "users": [
        {"userId": "demo", "password": "demo", "email": "demo@customer.example"},
        {"userId": "ren\u00e9e", "password": "cr\u00e8me <br\u00fbl\u00e9e> & tea",
         "email": "renee@customer.example"},
        {"userId": "locky", "password": "right", "email": "locky@customer.example"},
        {"userId": "noemail", "password": "x"},
    ]
}


def envelope(operation, inner, body_extra="", header=""):
    return (
        '<soap:Envelope xmlns:soap="%s" xmlns:xsi="%s" '
        'xmlns:xsd="http://www.w3.org/2001/XMLSchema" '
        'xmlns:soapenc="http://schemas.xmlsoap.org/soap/encoding/">%s<soap:Body>'
        '<%s xmlns="%s">%s</%s>%s</soap:Body></soap:Envelope>'
        % (SOAP, XSI, header, operation, NS, inner, operation, body_extra)
    ).encode("utf-8")


def element(name, value):
    if value is None:
        return '<%s xsi:nil="1"/>' % name
    return "<%s>%s</%s>" % (name, value, name)


def start_service(arguments, stderr=None):
    """Starts the program with `arguments`; returns the process, its port and its service path."""
    process = subprocess.Popen([sys.executable, PROGRAM, "--port", "0"] + arguments,
                               stdout=subprocess.PIPE, stderr=stderr, text=True)
    first = process.stdout.readline()
    match = re.search(r"http://127\.0\.0\.1:(\d+)(/\S+)", first)
    if not match:
        process.kill()
        raise RuntimeError("the service did not start: %r" % first)
    return process, int(match.group(1)), match.group(2)


class ServiceCase(unittest.TestCase):
    extra_arguments = []
    log_requests = False  # when set, the service logs requests into the file self.log

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="account-service-test-")
        cls.outbox = os.path.join(cls.folder, "outbox")
        cls.users = os.path.join(cls.folder, "users.json")
        with open(cls.users, "w", encoding="utf-8") as handle:
            json.dump(USERS, handle)
        cls.log = os.path.join(cls.folder, "log.txt")
        with open(cls.log, "wb") as log:
            cls.process, cls.port, cls.path = start_service(
                ([] if cls.log_requests else ["--quiet"]) +
                ["--users", cls.users, "--outbox", cls.outbox] + cls.extra_arguments, log)

    @classmethod
    def tearDownClass(cls):
        cls.process.terminate()
        cls.process.wait(timeout=10)
        cls.process.stdout.close()
        shutil.rmtree(cls.folder)

    def connect(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        self.addCleanup(connection.close)
        return connection

    def post(self, body, operation=None, action=None, content_type="text/xml; charset=utf-8",
             connection=None):
        connection = connection or self.connect()
        headers = {"Content-Type": content_type}
        if action is None and operation is not None:
            action = '"%s%s"' % (NS, operation)
        if action is not None:
            headers["SOAPAction"] = action
        connection.request("POST", self.path, body=body, headers=headers)
        response = connection.getresponse()
        return response, response.read()

    def call(self, operation, **parameters):
        inner = "".join(element(name, value) for name, value in parameters.items())
        response, payload = self.post(envelope(operation, inner), operation)
        self.assertEqual(response.status, 200, payload)
        self.assertEqual(response.getheader("Content-Type"), "text/xml; charset=utf-8")
        self.assertTrue(payload.startswith(b'<?xml version="1.0" encoding="utf-8"?>'))
        for prefix in (b'xmlns:soap="', b'xmlns:xsi="', b'xmlns:xsd="'):
            self.assertIn(prefix, payload)
        result = ET.fromstring(payload).find(
            "{%s}Body/{%s}%sResponse" % (SOAP, NS, operation))
        self.assertIsNotNone(result, payload)
        # A nil element reads as None, one without text as "".
        return {child.tag.split("}")[1]:
                None if child.get("{%s}nil" % XSI) == "true" else child.text or ""
                for child in result}

    def fault(self, body, operation="CreateSession", **options):
        response, payload = self.post(body, operation, **options)
        self.assertEqual(response.status, 500, payload)
        fault = ET.fromstring(payload).find("{%s}Body/{%s}Fault" % (SOAP, SOAP))
        return fault.findtext("faultcode"), fault.findtext("faultstring")


class OperationTest(ServiceCase):
    def test_sign_in_issues_a_fresh_opaque_session_each_time(self):
        first = self.call("CreateSession", strUserID="demo", strUserPassword="demo")
        second = self.call("CreateSession", strUserID="demo", strUserPassword="demo")
        self.assertEqual(first["nErrorCode"], "0")
        self.assertRegex(first["CreateSessionResult"], r"^[0-9a-f]{32}$")
        self.assertNotEqual(first["CreateSessionResult"], second["CreateSessionResult"])

    def test_escaped_non_ascii_credentials_are_read_as_text(self):
        answer = self.call("CreateSession", strUserID="ren&#x00E9;e",
                           strUserPassword="cr&#x00E8;me &lt;br&#x00FB;l&#x00E9;e&gt; &amp; tea")
        self.assertEqual(answer["nErrorCode"], "0")

    def test_refusals_carry_a_code_and_no_session(self):
        cases = [
            ({"strUserID": "", "strUserPassword": "demo"}, "1"),
            ({"strUserID": None, "strUserPassword": None}, "1"),
            ({"strUserID": "nobody", "strUserPassword": "demo"}, "2"),
            ({"strUserID": "demo", "strUserPassword": "wrong"}, "3"),
            ({"strUserID": "demo", "strUserPassword": None}, "3"),
        ]
        for parameters, code in cases:
            with self.subTest(parameters=parameters):
                answer = self.call("CreateSession", **parameters)
                self.assertEqual(answer, {"CreateSessionResult": None, "nErrorCode": code})
        # A correct sign-in after a few failures resets the count, so demo is not locked.
        self.assertEqual(self.call("CreateSession", strUserID="demo",
                                   strUserPassword="demo")["nErrorCode"], "0")

    def test_repeated_wrong_passwords_lock_the_account(self):
        for _ in range(3):
            self.call("CreateSession", strUserID="locky", strUserPassword="nope")
        answer = self.call("CreateSession", strUserID="locky", strUserPassword="right")
        self.assertEqual(answer["nErrorCode"], "4")
        message = self.call("GetErrorMessage", strSessionID=None, nErrorCode="4")
        self.assertIn("locked", message["GetErrorMessageResult"])

    def test_every_code_has_a_message(self):
        for code in range(1, 6):
            with self.subTest(code=code):
                text = self.call("GetErrorMessage", strSessionID="x",
                                 nErrorCode=" %d " % code)["GetErrorMessageResult"]
                self.assertTrue(text and not text.startswith("Unknown"))
        unknown = self.call("GetErrorMessage", strSessionID=None, nErrorCode="-7")
        self.assertEqual(unknown["GetErrorMessageResult"], "Unknown error code -7.")

    def test_password_email_goes_to_the_outbox_readable_by_owner_only(self):
        answer = self.call("EmailUserPassword", strUserID="ren&#x00E9;e")
        self.assertEqual(answer["EmailUserPasswordResult"], "0")
        messages = [name for name in os.listdir(self.outbox) if name.endswith(".eml")]
        self.assertEqual(len(messages), 1)
        path = os.path.join(self.outbox, messages[0])
        self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o600)
        with open(path, encoding="utf-8") as handle:
            text = handle.read()
        self.assertIn("To: renee@customer.example", text)
        self.assertIn("cr\u00e8me <br\u00fbl\u00e9e> & tea", text)

    def test_email_refusals(self):
        for user, code in (("nobody", "2"), ("noemail", "5"), ("", "1"), (None, "1")):
            with self.subTest(user=user):
                answer = self.call("EmailUserPassword", strUserID=user)
                self.assertEqual(answer["EmailUserPasswordResult"], code)


class FaultTest(ServiceCase):
    def test_soap_action_must_name_the_operation_in_quotes(self):
        body = envelope("CreateSession", element("strUserID", "demo"))
        for action in (None, "%sCreateSession" % NS, '"CreateSession"', '"%sDropUsers"' % NS,
                       '"%sGetErrorMessage"' % NS, '""'):
            with self.subTest(action=action):
                if action is None:
                    response, payload = self.post(body)
                    self.assertEqual(response.status, 500)
                    code = ET.fromstring(payload).findtext(".//faultcode")
                else:
                    code, _ = self.fault(body, action=action)
                self.assertEqual(code, "soap:Client")

    def test_malformed_requests_are_client_faults_that_say_why(self):
        bomb = (b'<?xml version="1.0"?><!DOCTYPE x [<!ENTITY a "aaaaaaaaaa">'
                b'<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">]>'
                + envelope("CreateSession", "<strUserID>&b;</strUserID>"))
        cases = {
            "document type": bomb,
            "not well-formed": b"<soap:Envelope",
            "not an int": envelope("GetErrorMessage", element("nErrorCode", "12abc")),
            "more than once": envelope("CreateSession", element("strUserID", "a") * 2),
            "no parameter": envelope("CreateSession", element("strUserName", "a")),
            "child elements": envelope("CreateSession", "<strUserID><b/></strUserID>"),
            "exactly one": envelope("CreateSession", "", body_extra="<Extra/>"),
            "not a SOAP 1.1 Envelope": b"<Envelope/>",
        }
        operation_of = {"not an int": "GetErrorMessage"}
        for reason, body in cases.items():
            with self.subTest(reason=reason):
                code, text = self.fault(body, operation_of.get(reason, "CreateSession"))
                self.assertEqual(code, "soap:Client")
                self.assertIn(reason, text)

    def test_an_int_outside_32_bits_and_a_nil_int_are_refused(self):
        for inner in (element("nErrorCode", "2147483648"), element("nErrorCode", None)):
            with self.subTest(inner=inner):
                code, _ = self.fault(envelope("GetErrorMessage", inner), "GetErrorMessage")
                self.assertEqual(code, "soap:Client")

    def test_content_type_must_be_xml(self):
        code, text = self.fault(envelope("CreateSession", ""), content_type="application/json")
        self.assertEqual(code, "soap:Client")
        self.assertIn("text/xml", text)

    def test_soap_12_and_must_understand_headers_have_their_own_codes(self):
        soap12 = envelope("CreateSession", "").replace(
            SOAP.encode(), b"http://www.w3.org/2003/05/soap-envelope")
        self.assertEqual(self.fault(soap12)[0], "soap:VersionMismatch")
        header = '<soap:Header><Ticket soap:mustUnderstand="1" xmlns="urn:x"/></soap:Header>'
        self.assertEqual(self.fault(envelope("CreateSession", "", header=header))[0],
                         "soap:MustUnderstand")
        quiet_header = '<soap:Header><Ticket xmlns="urn:x"/></soap:Header>'
        response, _ = self.post(envelope("CreateSession", "", header=quiet_header),
                                "CreateSession")
        self.assertEqual(response.status, 200)


class BrokenOutboxTest(ServiceCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # A file where the outbox folder should be: every message fails inside the service.
        with open(cls.outbox, "w", encoding="utf-8") as handle:
            handle.write("not a folder")

    def test_failure_inside_the_service_is_a_server_fault(self):
        code, text = self.fault(envelope("EmailUserPassword", element("strUserID", "demo")),
                                "EmailUserPassword")
        self.assertEqual(code, "soap:Server")
        self.assertIn("outbox", text)


class HttpTest(ServiceCase):
    extra_arguments = ["--lock-after", "0"]

    def test_keep_alive_serves_several_calls_on_one_connection(self):
        connection = self.connect()
        body = envelope("CreateSession", element("strUserID", "demo") +
                        element("strUserPassword", "demo"))
        for _ in range(3):
            response, _ = self.post(body, "CreateSession", connection=connection)
            self.assertEqual(response.status, 200)
            self.assertFalse(response.will_close)
        # A fault keeps the connection open as well.
        response, _ = self.post(b"<x/>", "CreateSession", connection=connection)
        self.assertEqual(response.status, 500)
        self.assertFalse(response.will_close)

    def test_wrong_method_path_and_size_are_plain_http_refusals(self):
        connection = self.connect()
        connection.request("GET", self.path)
        response = connection.getresponse()
        response.read()
        self.assertEqual((response.status, response.getheader("Allow")), (405, "GET, HEAD, POST"))
        connection.request("POST", "/other.asmx", body=b"x")
        response = connection.getresponse()
        response.read()
        self.assertEqual(response.status, 404)
        # Refused from the head alone, before any of the body is sent.
        connection = self.connect()
        connection.putrequest("POST", self.path)
        connection.putheader("Content-Length", str((1 << 20) + 1))
        connection.endheaders()
        response = connection.getresponse()
        response.read()
        self.assertEqual(response.status, 413)
        self.assertTrue(response.will_close)

    def test_chunked_request_body_is_accepted(self):
        body = envelope("GetErrorMessage", element("nErrorCode", "2"))
        connection = self.connect()
        connection.request("POST", self.path, body=iter([body[:50], body[50:]]),
                           headers={"Content-Type": "text/xml",
                                    "SOAPAction": '"%sGetErrorMessage"' % NS},
                           encode_chunked=True)
        response = connection.getresponse()
        self.assertEqual(response.status, 200)
        self.assertIn(b"not known", response.read())

    def test_lock_out_can_be_switched_off(self):
        for _ in range(5):
            self.call("CreateSession", strUserID="locky", strUserPassword="nope")
        answer = self.call("CreateSession", strUserID="locky", strUserPassword="right")
        self.assertEqual(answer["nErrorCode"], "0")


class StartTest(unittest.TestCase):
    def test_a_bad_users_file_stops_the_service_with_a_message(self):
        with tempfile.TemporaryDirectory() as folder:
            cases = {"missing.json": None, "broken.json": "{", "shape.json": '{"users": {}}',
                     "twice.json": json.dumps({"users": [{"userId": "a", "password": ""}] * 2})}
            for name, text in cases.items():
                with self.subTest(name=name):
                    path = os.path.join(folder, name)
                    if text is not None:
                        with open(path, "w", encoding="utf-8") as handle:
                            handle.write(text)
                    result = subprocess.run(
                        [sys.executable, PROGRAM, "--port", "0", "--users", path],
                        capture_output=True, text=True, timeout=30)
                    self.assertEqual(result.returncode, 2)
                    self.assertIn(name, result.stderr)

    def test_installed_through_a_link_it_finds_its_files_and_writes_to_the_state_folder(self):
        # The package's layout: the files in share/keldwick-account-service, a link in bin.
        with tempfile.TemporaryDirectory() as folder:
            data = os.path.join(folder, "usr", "share", "keldwick-account-service")
            os.makedirs(os.path.join(folder, "usr", "bin"))
            shutil.copytree(os.path.dirname(HERE), data,
                            ignore=shutil.ignore_patterns("tests", "__pycache__"))
            link = os.path.join(folder, "usr", "bin", "keldwick-account-service")
            os.symlink("../share/keldwick-account-service/account-service", link)
            environment = dict(os.environ, XDG_STATE_HOME=os.path.join(folder, "state"))
            process = subprocess.Popen(
                [sys.executable, link, "--port", "0", "--quiet", "--stop-on-eof"],
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=environment)
            try:
                self.assertIn("listening on http://127.0.0.1:", process.stdout.readline())
                second = process.stdout.readline()
            finally:
                process.stdin.close()
                process.wait(timeout=10)
                process.stdout.close()
            self.assertIn("from %s" % os.path.join(data, "demo-users.json"), second)
            self.assertIn("e-mails go to %s" % os.path.join(
                folder, "state", "keldwick-account-service", "outbox"), second)


if __name__ == "__main__":
    unittest.main()
