"""The account service's behaviour: users, sign-in with lock-out, sessions, error messages and the
password e-mail, which goes to an outbox folder instead of a mail server."""

import collections
import email.utils
import json
import os
import errno
import secrets
import tempfile
import threading
import time

OK = 0
EMPTY_USER_ID = 1
UNKNOWN_USER = 2
WRONG_PASSWORD = 3
ACCOUNT_LOCKED = 4
NO_EMAIL_ADDRESS = 5

MESSAGES = {
    OK: "No error.",
    EMPTY_USER_ID: "Please enter your user id.",
    UNKNOWN_USER: "The user id is not known to the account service.",
    WRONG_PASSWORD: "The password is not correct for this user id.",
    ACCOUNT_LOCKED: "This account is locked after too many failed sign-ins. "
    "Please contact Nimbrel support to unlock it.",
    NO_EMAIL_ADDRESS: "No e-mail address is on file for this user id.",
}

SENDER = "Nimbrel account service <accounts@nimbrel.example>"

# Sessions end after this many seconds, and at most this many are kept (the oldest go first), so a
# client that signs in without end cannot fill the service's memory.
SESSION_LIFETIME = 3600
MAX_SESSIONS = 10000


# The outbox takes at most this many messages or bytes; past either, no message is written (and
# none is ever deleted to make room).
OUTBOX_MESSAGES = 10000
OUTBOX_BYTES = 64 << 20


class UsersFileError(Exception):
    pass


class OutboxFull(OSError):
    """The outbox holds as much as it may."""


def load_users(path):
    """Reads {"users": [{"userId": ..., "password": ..., "email": ...}]}; the e-mail address may
    be empty or absent."""
    try:
        with open(path, encoding="utf-8") as handle:
            document = json.load(handle)
    except (OSError, UnicodeDecodeError, json.JSONDecodeError) as error:
        raise UsersFileError("cannot read the users file %s: %s" % (path, error)) from None
    entries = document.get("users") if isinstance(document, dict) else None
    if not isinstance(entries, list):
        raise UsersFileError('%s: expected an object with a "users" list' % path)
    users = {}
    for number, entry in enumerate(entries, 1):
        fields = entry if isinstance(entry, dict) else {}
        user_id = fields.get("userId")
        password = fields.get("password")
        address = fields.get("email", "")
        if not all(isinstance(value, str) for value in (user_id, password, address)):
            raise UsersFileError(
                "%s: user %d needs text fields userId and password (and email)" % (path, number)
            )
        if not user_id or user_id in users:
            raise UsersFileError("%s: user %d has an empty or repeated userId" % (path, number))
        users[user_id] = {"password": password, "email": address}
    return users


class AccountService:
    """The three operations. Safe to call from several request threads at once."""

    def __init__(self, users, outbox, lock_after=3, clock=time.monotonic,
                 session_lifetime=SESSION_LIFETIME, max_sessions=MAX_SESSIONS,
                 outbox_messages=OUTBOX_MESSAGES, outbox_bytes=OUTBOX_BYTES):
        self._users = users
        self._outbox = outbox
        self._lock_after = lock_after
        self._failures = {}
        # Session id -> (user id, time made), oldest first.
        self._sessions = collections.OrderedDict()
        self._clock = clock
        self._session_lifetime = session_lifetime
        self._max_sessions = max_sessions
        self._outbox_messages = outbox_messages
        self._outbox_bytes = outbox_bytes
        self._lock = threading.Lock()
        # Counting the outbox and adding to it happen together (another service sharing the
        # folder may still add between the two).
        self._outbox_lock = threading.Lock()

    def create_session(self, user_id, password):
        """Returns (session id or None, error code)."""
        if not user_id:
            return None, EMPTY_USER_ID
        user = self._users.get(user_id)
        if user is None:
            return None, UNKNOWN_USER
        with self._lock:
            failures = self._failures.get(user_id, 0)
            if self._lock_after > 0 and failures >= self._lock_after:
                return None, ACCOUNT_LOCKED
            if not secrets.compare_digest(
                (password or "").encode("utf-8"), user["password"].encode("utf-8")
            ):
                self._failures[user_id] = failures + 1
                return None, WRONG_PASSWORD
            self._failures[user_id] = 0
            session = secrets.token_hex(16)
            self._expire_sessions()
            while len(self._sessions) >= self._max_sessions:
                self._sessions.popitem(last=False)
            self._sessions[session] = (user_id, self._clock())
        return session, OK

    def session_user(self, session):
        """The user of a session that has not expired, else None."""
        with self._lock:
            self._expire_sessions()
            entry = self._sessions.get(session)
            return entry[0] if entry else None

    def session_count(self):
        with self._lock:
            self._expire_sessions()
            return len(self._sessions)

    def _expire_sessions(self):
        # Sessions are kept in the order they were made, so the expired ones are at the front.
        oldest_kept = self._clock() - self._session_lifetime
        while self._sessions:
            _, (_, made) = next(iter(self._sessions.items()))
            if made > oldest_kept:
                break
            self._sessions.popitem(last=False)

    @staticmethod
    def get_error_message(_session, code):
        return MESSAGES.get(code, "Unknown error code %d." % code)

    def email_user_password(self, user_id):
        """Returns the error code; an outbox that cannot be written raises OSError."""
        if not user_id:
            return EMPTY_USER_ID
        user = self._users.get(user_id)
        if user is None:
            return UNKNOWN_USER
        if not user["email"]:
            return NO_EMAIL_ADDRESS
        self._write_message(user_id, user)
        return OK

    def _write_message(self, user_id, user):
        text = (
            "From: %s\r\nTo: %s\r\nSubject: Your Keldwick password\r\nDate: %s\r\n"
            "Content-Type: text/plain; charset=utf-8\r\n\r\n"
            "The password of the user id %s is:\r\n\r\n    %s\r\n"
            % (SENDER, user["email"], email.utils.formatdate(usegmt=True), user_id,
               user["password"])
        ).encode("utf-8")
        with self._outbox_lock:
            os.makedirs(self._outbox, mode=0o700, exist_ok=True)
            self._check_room(len(text))
            self._deliver(text)

    def _check_room(self, size):
        count, total = 0, size
        with os.scandir(self._outbox) as entries:
            for entry in entries:
                if entry.name.endswith(".eml") and entry.is_file(follow_symlinks=False):
                    count += 1
                    total += entry.stat(follow_symlinks=False).st_size
        if count >= self._outbox_messages or total > self._outbox_bytes:
            raise OutboxFull(errno.ENOSPC, "the outbox is full")

    def _deliver(self, text):
        """Writes the message under a name of its own. It is written in full under a temporary name
        first (readable by its owner only: it holds a password) and then linked to its final name,
        which fails rather than replace a message already there, whoever wrote it."""
        handle, temporary = tempfile.mkstemp(dir=self._outbox, prefix=".sending-")
        try:
            with os.fdopen(handle, "wb") as stream:
                stream.write(text)
            for _ in range(8):
                # The time orders the messages; the random part keeps apart those of one second,
                # also when they come from two services or a service and its restart.
                name = "%s-%s.eml" % (time.strftime("%Y%m%dT%H%M%SZ", time.gmtime()),
                                      secrets.token_hex(8))
                try:
                    os.link(temporary, os.path.join(self._outbox, name))
                    return
                except FileExistsError:
                    continue
            raise FileExistsError(errno.EEXIST, "no free message name in the outbox")
        finally:
            os.unlink(temporary)
