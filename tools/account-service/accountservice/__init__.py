"""Reference account service: the Nimbrel account web service's wire format, for demos and tests."""
