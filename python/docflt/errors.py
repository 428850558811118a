"""Exceptions carrying the plug-in's result codes, and their readable texts."""

from . import _abi

_MESSAGES = {
    _abi.OK: "success",
    _abi.ERR_FORMAT: "not a Word document the filter understands",
    _abi.ERR_MEMORY: "out of memory",
    _abi.ERR_ACCESS: "access denied (or the temporary copy could not be written)",
    _abi.ERR_INVALID: "request refused (no filter server, no temporary directory, or an empty document)",
    _abi.ERR_FAILED: "the filter failed on this document",
    _abi.ERR_PASSWORD: "password-protected",
    _abi.HOST_READ_ERROR: "the source could not be read",
    _abi.HOST_TOO_LARGE: "the source is larger than 4 GiB",
}


def describe(code):
    """A readable reason for a result code."""
    return _MESSAGES.get(code, "unknown error")


class FilterError(Exception):
    """A document the plug-in could not extract. `code` is the result code
    (the plug-in's, or this package's own for a source it could not read),
    `message` the readable reason, `path` the document's path when it has one."""

    def __init__(self, code, message=None, path=None):
        if message is None:
            message = describe(code)
        # All three in args, so that the error pickles (across Dask workers).
        super().__init__(code, message, path)
        self.code = code
        self.message = message
        self.path = path

    def __str__(self):
        where = "%s: " % self.path if self.path is not None else ""
        return "%s%s (result %d)" % (where, self.message, self.code)


class FormatError(FilterError):
    """The data is not in a format the filter server understands."""


class PasswordError(FilterError):
    """The document is encrypted or password-protected."""


class PluginError(FilterError):
    """The plug-in could not be found, loaded or started."""


def error_for(code, path=None, message=None):
    """The exception for a result code."""
    cls = {_abi.ERR_FORMAT: FormatError, _abi.ERR_PASSWORD: PasswordError}.get(code, FilterError)
    return cls(code, message, path)
