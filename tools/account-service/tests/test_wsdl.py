"""The service description at ?WSDL, and an independent SOAP client (zeep) built from it."""

import os
import sys
import unittest
import xml.etree.ElementTree as ET

from test_account_service import ServiceCase

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from accountservice import wire  # noqa: E402

try:
    import zeep
    import zeep.exceptions
except ImportError:  # python3-zeep is not installed: the client tests are skipped
    zeep = None

WSDL = "http://schemas.xmlsoap.org/wsdl/"
WSDL_SOAP = "http://schemas.xmlsoap.org/wsdl/soap/"
XSD = "http://www.w3.org/2001/XMLSchema"
XSD_TYPES = {wire.STRING: "s:string", wire.INT: "s:int"}


class DescriptionTest(ServiceCase):
    def get(self, query, host=None):
        connection = self.connect()
        headers = {"Host": host} if host else {}
        connection.request("GET", self.path + query, headers=headers)
        response = connection.getresponse()
        return response, response.read()

    def description(self, query="?WSDL", host=None):
        response, payload = self.get(query, host)
        self.assertEqual(response.status, 200, payload)
        self.assertEqual(response.getheader("Content-Type"), "text/xml; charset=utf-8")
        return ET.fromstring(payload)

    def test_served_at_either_spelling_with_the_address_asked_at(self):
        for query in ("?WSDL", "?wsdl"):
            with self.subTest(query=query):
                address = self.description(query).find(
                    "{%s}service/{%s}port/{%s}address" % (WSDL, WSDL, WSDL_SOAP))
                self.assertEqual(address.get("location"),
                                 "http://127.0.0.1:%d%s" % (self.port, self.path))
        response, _ = self.get("?other")
        self.assertEqual(response.status, 405)

    def test_a_host_header_that_is_not_a_host_does_not_reach_the_description(self):
        root = self.description(host='evil"/><x y="')
        address = root.find("{%s}service/{%s}port/{%s}address" % (WSDL, WSDL, WSDL_SOAP))
        self.assertEqual(address.get("location"),
                         "http://127.0.0.1:%d%s" % (self.port, self.path))
        named = self.description(host="accounts.example:8080")
        address = named.find("{%s}service/{%s}port/{%s}address" % (WSDL, WSDL, WSDL_SOAP))
        self.assertEqual(address.get("location"), "http://accounts.example:8080%s" % self.path)

    def test_every_operation_matches_the_services_tables(self):
        root = self.description()
        self.assertEqual(root.get("targetNamespace"), wire.SERVICE_NS)
        schema = root.find("{%s}types/{%s}schema" % (WSDL, XSD))
        self.assertEqual(schema.get("targetNamespace"), wire.SERVICE_NS)
        elements = {each.get("name"): each for each in schema.findall("{%s}element" % XSD)}
        actions = {
            operation.get("name"): operation.find("{%s}operation" % WSDL_SOAP).get("soapAction")
            for operation in root.findall("{%s}binding/{%s}operation" % (WSDL, WSDL))
        }
        self.assertEqual(set(actions), set(wire.OPERATIONS))
        for name, (inputs, outputs) in wire.OPERATIONS.items():
            with self.subTest(operation=name):
                self.assertEqual(actions[name], wire.SERVICE_NS + name)
                for wrapper, rows, is_output in ((name, inputs, False),
                                                 (name + "Response", outputs, True)):
                    fields = elements[wrapper].findall(".//{%s}element" % XSD)
                    self.assertEqual([(f.get("name"), f.get("type")) for f in fields],
                                     [(row, XSD_TYPES[kind]) for row, kind in rows])
                    for field, (_, kind) in zip(fields, rows):
                        # Outputs are always there; strings may be nil.
                        if is_output:
                            self.assertEqual(field.get("minOccurs"), "1")
                        self.assertEqual(field.get("nillable") == "true", kind == wire.STRING)

    def test_head_answers_without_a_body(self):
        connection = self.connect()
        connection.request("HEAD", self.path + "?WSDL")
        response = connection.getresponse()
        self.assertEqual((response.status, response.read()), (200, b""))


@unittest.skipIf(zeep is None, "python3-zeep is not installed")
class ZeepClientTest(ServiceCase):
    def client(self):
        return zeep.Client("http://127.0.0.1:%d%s?WSDL" % (self.port, self.path))

    def test_every_operation_including_a_refused_sign_in(self):
        service = self.client().service
        accepted = service.CreateSession(strUserID="demo", strUserPassword="demo")
        self.assertEqual(accepted.nErrorCode, 0)
        self.assertRegex(accepted.CreateSessionResult, r"^[0-9a-f]{32}$")
        refused = service.CreateSession(strUserID="demo", strUserPassword="wrong")
        self.assertEqual((refused.CreateSessionResult, refused.nErrorCode), (None, 3))
        text = service.GetErrorMessage(strSessionID=None, nErrorCode=refused.nErrorCode)
        self.assertEqual(text, "The password is not correct for this user id.")
        self.assertEqual(service.EmailUserPassword(strUserID="demo"), 0)
        self.assertEqual(service.EmailUserPassword(strUserID="nobody"), 2)
        self.assertEqual(service.CreateSession(strUserID="ren\u00e9e",
                                               strUserPassword="cr\u00e8me <br\u00fbl\u00e9e> & tea")
                         .nErrorCode, 0)


@unittest.skipIf(zeep is None, "python3-zeep is not installed")
class ZeepFaultTest(ServiceCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with open(cls.outbox, "w", encoding="utf-8") as handle:
            handle.write("a file where the outbox folder should be")

    def test_a_fault_reaches_the_client_with_its_code_and_text(self):
        service = zeep.Client("http://127.0.0.1:%d%s?wsdl" % (self.port, self.path)).service
        with self.assertRaises(zeep.exceptions.Fault) as raised:
            service.EmailUserPassword(strUserID="demo")
        self.assertIn("outbox", raised.exception.message)
        self.assertTrue(raised.exception.code.endswith("Server"), raised.exception.code)


if __name__ == "__main__":
    unittest.main()
