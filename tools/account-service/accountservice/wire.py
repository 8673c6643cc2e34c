"""SOAP 1.1 wire format of the account service: request reading and response writing.

A request is a SOAP 1.1 envelope in document/literal style with wrapped parameters: the body holds
one element named after the operation, in the service namespace, whose children are the input
parameters, matched by local name. Anything else is answered with a fault, never guessed at.
"""

import re
import xml.parsers.expat as expat

SERVICE_NS = "http://services.nimbrel.example/keldwick/"
SOAP_ENV_NS = "http://schemas.xmlsoap.org/soap/envelope/"
SOAP12_ENV_NS = "http://www.w3.org/2003/05/soap-envelope"
XSI_NS = "http://www.w3.org/2001/XMLSchema-instance"
XSD_NS = "http://www.w3.org/2001/XMLSchema"

STRING = "string"
INT = "int"

# Operation name -> (input parameters, output elements of the response), each as (name, type) in
# wire order.
OPERATIONS = {
    "CreateSession": (
        [("strUserID", STRING), ("strUserPassword", STRING)],
        [("CreateSessionResult", STRING), ("nErrorCode", INT)],
    ),
    "GetErrorMessage": (
        [("strSessionID", STRING), ("nErrorCode", INT)],
        [("GetErrorMessageResult", STRING)],
    ),
    "EmailUserPassword": (
        [("strUserID", STRING)],
        [("EmailUserPasswordResult", INT)],
    ),
}

# Bounds on what one request may hold; a SOAP call of this service is a handful of small elements.
MAX_DEPTH = 16
MAX_ELEMENTS = 256
INT_MIN = -(2**31)
INT_MAX = 2**31 - 1

_INT_PATTERN = re.compile(r"[ \t\r\n]*([+-]?[0-9]+)[ \t\r\n]*\Z")


class SoapFault(Exception):
    """A request the service answers with a fault; `code` is the local name of the fault code."""

    def __init__(self, code, message):
        super().__init__(message)
        self.code = code
        self.message = message


def client_fault(message):
    return SoapFault("Client", message)


class Element:
    __slots__ = ("ns", "name", "attrs", "children", "text")

    def __init__(self, ns, name, attrs):
        self.ns = ns
        self.name = name
        self.attrs = attrs
        self.children = []
        self.text = []

    def text_value(self):
        return "".join(self.text)

    def has_text(self):
        return any(piece.strip(" \t\r\n") for piece in self.text)


def _split_name(name):
    ns, sep, local = name.rpartition(" ")
    return (ns, local) if sep else ("", name)


class _TreeBuilder:
    """Builds a small element tree from expat's events, refusing document type declarations so no
    entity is ever expanded, and bounding depth and element count."""

    def __init__(self):
        self.root = None
        self.stack = []
        self.count = 0

    def start(self, name, attrs):
        self.count += 1
        if self.count > MAX_ELEMENTS or len(self.stack) >= MAX_DEPTH:
            raise client_fault("The request has too many or too deeply nested elements.")
        ns, local = _split_name(name)
        element = Element(ns, local, {_split_name(k): v for k, v in attrs.items()})
        if self.stack:
            self.stack[-1].children.append(element)
        else:
            self.root = element
        self.stack.append(element)

    def end(self, _name):
        self.stack.pop()

    def characters(self, data):
        if self.stack:
            self.stack[-1].text.append(data)

    @staticmethod
    def refuse_doctype(*_args):
        raise client_fault("The request carries a document type declaration, which is not allowed.")


def parse_xml(body):
    builder = _TreeBuilder()
    parser = expat.ParserCreate(namespace_separator=" ")
    parser.SetParamEntityParsing(expat.XML_PARAM_ENTITY_PARSING_NEVER)
    parser.StartDoctypeDeclHandler = builder.refuse_doctype
    parser.EntityDeclHandler = builder.refuse_doctype
    parser.StartElementHandler = builder.start
    parser.EndElementHandler = builder.end
    parser.CharacterDataHandler = builder.characters
    try:
        parser.Parse(body, True)
    except expat.ExpatError as error:
        raise client_fault(
            "The request is not well-formed XML: %s (line %d, column %d)."
            % (expat.ErrorString(error.code), error.lineno, error.offset + 1)
        ) from None
    return builder.root


def operation_from_action(action):
    """The operation a SOAPAction header names: the service namespace and the operation name in
    double quotes."""
    if action is None:
        raise client_fault("The request has no SOAPAction header.")
    if len(action) < 2 or not (action.startswith('"') and action.endswith('"')):
        raise client_fault("The SOAPAction header %s is not enclosed in double quotes." % action)
    inner = action[1:-1]
    if not inner.startswith(SERVICE_NS) or inner[len(SERVICE_NS):] not in OPERATIONS:
        raise client_fault("The service does not recognise the SOAPAction %s." % action)
    return inner[len(SERVICE_NS):]


def _is_true(value):
    return value.strip(" \t\r\n") in ("true", "1")


def _check_no_text(element, where):
    if element.has_text():
        raise client_fault("Text is not allowed %s." % where)


def _envelope_parts(root):
    if root.name == "Envelope" and root.ns == SOAP12_ENV_NS:
        raise SoapFault("VersionMismatch", "Only SOAP 1.1 envelopes are understood.")
    if root.ns != SOAP_ENV_NS or root.name != "Envelope":
        raise client_fault("The root element is not a SOAP 1.1 Envelope.")
    _check_no_text(root, "directly inside the Envelope")
    children = list(root.children)
    header = None
    if children and children[0].ns == SOAP_ENV_NS and children[0].name == "Header":
        header = children.pop(0)
    if len(children) != 1 or children[0].ns != SOAP_ENV_NS or children[0].name != "Body":
        raise client_fault("The Envelope must hold an optional Header followed by one Body.")
    return header, children[0]


def _check_header(header):
    if header is None:
        return
    for entry in header.children:
        if _is_true(entry.attrs.get((SOAP_ENV_NS, "mustUnderstand"), "0")):
            raise SoapFault(
                "MustUnderstand", "The header element %s is not understood." % entry.name
            )


def _read_value(element, kind):
    if element.children:
        raise client_fault("The element %s must not hold child elements." % element.name)
    nil = element.attrs.get((XSI_NS, "nil"))
    if nil is not None and _is_true(nil):
        if kind != STRING:
            raise client_fault("The element %s must not be nil." % element.name)
        return None
    text = element.text_value()
    if kind == STRING:
        return text
    match = _INT_PATTERN.match(text)
    value = int(match.group(1)) if match else None
    if value is None or not INT_MIN <= value <= INT_MAX:
        raise client_fault("The element %s holds %r, which is not an int." % (element.name, text))
    return value


def parse_request(body, operation):
    """Reads the parameters of `operation` from a request body. Parameters that are absent read as
    null strings and zero integers, as an ASP.NET service reads them."""
    header, soap_body = _envelope_parts(parse_xml(body))
    _check_header(header)
    _check_no_text(soap_body, "directly inside the Body")
    if len(soap_body.children) != 1:
        raise client_fault("The Body must hold exactly one operation element.")
    call = soap_body.children[0]
    if call.ns != SERVICE_NS or call.name != operation:
        raise client_fault(
            "The Body holds {%s}%s, but the SOAPAction names %s." % (call.ns, call.name, operation)
        )
    _check_no_text(call, "directly inside the operation element")
    inputs = dict(OPERATIONS[operation][0])
    values = {name: (None if kind == STRING else 0) for name, kind in inputs.items()}
    seen = set()
    for parameter in call.children:
        if parameter.ns != SERVICE_NS or parameter.name not in inputs:
            raise client_fault(
                "%s has no parameter {%s}%s." % (operation, parameter.ns, parameter.name)
            )
        if parameter.name in seen:
            raise client_fault("The parameter %s appears more than once." % parameter.name)
        seen.add(parameter.name)
        values[parameter.name] = _read_value(parameter, inputs[parameter.name])
    return values


# Characters that XML 1.0 cannot carry at all, even as references.
_NOT_XML = re.compile("[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff\ud800-\udfff]")


def escape(text):
    # Carriage returns would be folded into line feeds by a reader, so they travel as references.
    text = _NOT_XML.sub("\ufffd", text)
    return (
        text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\r", "&#xD;")
    )


_ENVELOPE_START = (
    '<?xml version="1.0" encoding="utf-8"?>'
    '<soap:Envelope xmlns:soap="%s" xmlns:xsi="%s" xmlns:xsd="%s"><soap:Body>'
    % (SOAP_ENV_NS, XSI_NS, XSD_NS)
)
_ENVELOPE_END = "</soap:Body></soap:Envelope>"


def write_response(operation, outputs):
    """The response envelope of `operation`. Every output element is present, as the contract
    requires; a null string is written as an ASP.NET service writes it, nil."""
    parts = [_ENVELOPE_START, '<%sResponse xmlns="%s">' % (operation, SERVICE_NS)]
    for name, kind in OPERATIONS[operation][1]:
        value = outputs[name]
        if value is None:
            parts.append('<%s xsi:nil="true" />' % name)
            continue
        text = escape(value) if kind == STRING else str(int(value))
        parts.append("<%s>%s</%s>" % (name, text, name))
    parts.append("</%sResponse>" % operation)
    parts.append(_ENVELOPE_END)
    return "".join(parts).encode("utf-8")


def write_fault(code, message):
    return (
        "%s<soap:Fault><faultcode>soap:%s</faultcode><faultstring>%s</faultstring>"
        "<detail /></soap:Fault>%s" % (_ENVELOPE_START, code, escape(message), _ENVELOPE_END)
    ).encode("utf-8")
