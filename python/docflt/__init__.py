"""Text of Word documents through the docflt plug-in.

    import docflt
    text = docflt.extract("letter.doc")            # a path: the file route
    text = docflt.extract(data)                    # bytes or a binary file: streamed
    for r in docflt.extract_many(paths, jobs=2):   # results in input order
        print(r.path, r.code, r.error if r.text is None else len(r.text))

Failures raise FilterError (FormatError, PasswordError, PluginError) with
the plug-in's result code in `code` and a readable `message`.
"""

import os

from . import _abi, _codepage
from ._host import Plugin, default_plugin, load
from .batch import Result, extract_many
from .errors import FilterError, FormatError, PasswordError, PluginError, describe

OK = _abi.OK
ERR_FORMAT = _abi.ERR_FORMAT
ERR_MEMORY = _abi.ERR_MEMORY
ERR_ACCESS = _abi.ERR_ACCESS
ERR_INVALID = _abi.ERR_INVALID
ERR_FAILED = _abi.ERR_FAILED
ERR_PASSWORD = _abi.ERR_PASSWORD
HOST_READ_ERROR = _abi.HOST_READ_ERROR
HOST_TOO_LARGE = _abi.HOST_TOO_LARGE

__all__ = ["extract", "extract_bytes", "extract_many", "Result", "Plugin", "load", "describe",
           "FilterError", "FormatError", "PasswordError", "PluginError"]


def _dispatch(host, source, cp_mode):
    if isinstance(source, (str, os.PathLike)):
        return host.extract_path(source, cp_mode)
    if isinstance(source, (bytes, bytearray, memoryview)):
        return host.extract_bytes(source, cp_mode)
    if hasattr(source, "read"):
        return host.extract_file(source, cp_mode)
    raise TypeError("source must be a path, bytes or a binary file object, not %s"
                    % type(source).__name__)


def extract_bytes(source, codepage=None, plugin=None):
    """The document's text as the plug-in delivers it, in any code-page mode
    (None: UTF-8; "unicode": UTF-16LE; "default", "ansi" or a number)."""
    cp_mode = _codepage.mode(codepage)
    return _dispatch((plugin or default_plugin()).host(), source, cp_mode)


def extract(source, codepage=None, plugin=None):
    """The document's text. `source` is a path (the plug-in opens the file
    itself), or bytes or a binary file object (read only through the read
    callback). `codepage` None asks for UTF-8; another code page (a number or
    "unicode") passes the text through that code page, so characters it
    lacks come back as its default character."""
    cp_mode = _codepage.mode(codepage)
    codec = _codepage.codec(cp_mode)
    if codec is None:
        raise ValueError("code page %r gives bytes with no single decoding; use extract_bytes"
                         % (codepage,))
    data = _dispatch((plugin or default_plugin()).host(), source, cp_mode)
    return data.decode(codec, "replace")


def __getattr__(name):
    # docflt.dask pulls in Dask: only when asked for.
    if name == "dask":
        import importlib
        return importlib.import_module(".dask", __name__)
    raise AttributeError("module %r has no attribute %r" % (__name__, name))
