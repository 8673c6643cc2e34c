"""Reference account service: the Nimbrel account web service's wire format, for demos and tests."""

# The project's version; the build checks that it matches the one CMake knows.
__version__ = "3.1.6.1735"
