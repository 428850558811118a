"""The plug-in's binary interface: the host record, its callback types, the
result codes and code-page modes, and loading the module."""

import ctypes
import os

# Result codes every stream call returns.
OK = 0
ERR_FORMAT = 1
ERR_MEMORY = 2
ERR_ACCESS = 3
ERR_INVALID = 4
ERR_FAILED = 5
ERR_PASSWORD = 6

# Failure codes of this package's own callbacks, passed back through the
# plug-in (the same values doctext uses).
HOST_READ_ERROR = 1001
HOST_TOO_LARGE = 1002

# Code-page modes; any other value is an explicit code page number.
CP_DEFAULT = -1
CP_ANSI = -2
CP_UNICODE = -3
CP_UTF8 = 65001

WINDOWS = os.name == "nt"
PLUGIN_NAME = "docflt.dll" if WINDOWS else "docflt.flt"

# The 32-bit Windows module uses the callee-pops convention for its exports and
# for the callbacks; every other build uses the platform's C convention.
if WINDOWS and ctypes.sizeof(ctypes.c_void_p) == 4:
    _FUNCTYPE = ctypes.WINFUNCTYPE
    _LOADER = ctypes.WinDLL
else:
    _FUNCTYPE = ctypes.CFUNCTYPE
    _LOADER = ctypes.CDLL

# Pointers travel as plain addresses (c_void_p): the callbacks write through
# them with from_address, which costs less than building pointer objects.
GETSIZE = _FUNCTYPE(ctypes.c_int32, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p)
READ = _FUNCTYPE(ctypes.c_int32, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32,
                 ctypes.c_void_p)
GETFILENAME = _FUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32)
GETCODEPAGE = _FUNCTYPE(ctypes.c_int32, ctypes.c_void_p)


class Record(ctypes.Structure):
    """The host record. 32-bit fields; pointers and callbacks take the
    pointer width, in the same order (56 bytes on 64-bit Linux, 32 on 32-bit
    Windows): ctypes lays fields out with the C compiler's natural alignment."""

    _fields_ = [
        ("cbSize", ctypes.c_uint32),
        ("dwReserved1", ctypes.c_uint32),
        ("pStream", ctypes.c_void_p),
        ("pfnGetSize", GETSIZE),
        ("dwReserved2", ctypes.c_uint32),
        ("pfnRead", READ),
        ("pfnGetFileName", GETFILENAME),
        ("pfnGetCodePage", GETCODEPAGE),
    ]


class Module:
    """One loaded plug-in module and its four exported functions."""

    def __init__(self, path):
        self.path = os.fspath(path)
        # A name without a separator would make the loader search its own path.
        name = self.path if os.sep in self.path or "/" in self.path else os.path.join(".", self.path)
        self._lib = _LOADER(name)  # OSError when it cannot be loaded
        try:
            get_extensions = self._lib.GetFilterExtensions
            create = self._lib.CreateFilteredStream
            read = self._lib.ReadFilteredStream
            close = self._lib.CloseFilteredStream
        except AttributeError:
            raise OSError("%s: not a docflt plug-in (exports missing)" % self.path) from None
        get_extensions.restype = ctypes.c_void_p
        get_extensions.argtypes = []
        create.restype = ctypes.c_uint32
        create.argtypes = [ctypes.c_void_p]
        read.restype = ctypes.c_uint32
        read.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32, ctypes.c_void_p]
        close.restype = ctypes.c_uint32
        close.argtypes = [ctypes.c_void_p]
        self.get_extensions = get_extensions
        self.create = create
        self.read = read
        self.close = close

    def started(self):
        """Where the loader cannot refuse a module (POSIX), a plug-in whose
        start-up failed stays loaded without its manager: then even a null
        record gets ERR_INVALID, where a started plug-in answers OK."""
        return self.create(None) != ERR_INVALID

    def extensions(self):
        """The upper-case extensions the plug-in takes, without dots."""
        address = self.get_extensions()
        out = []
        while address:
            entry = ctypes.string_at(address)
            if not entry:
                break
            out.append(entry.decode("ascii", "replace"))
            address += len(entry) + 1
        return out


def candidate_paths():
    """Where the plug-in is looked for: $DOCFLT_PLUGIN alone when set;
    otherwise beside this package, the place the build or the install
    recorded (relative to the package, so an installed tree may move), and
    the usual install directories."""
    explicit = os.environ.get("DOCFLT_PLUGIN")
    if explicit:
        return [explicit]
    here = os.path.dirname(os.path.abspath(__file__))
    paths = [os.path.join(here, PLUGIN_NAME)]
    try:
        from ._location import PLUGIN  # written by the build and by the install
    except ImportError:
        PLUGIN = None
    if PLUGIN:
        paths.append(os.path.normpath(os.path.join(here, PLUGIN)))
    if not WINDOWS:
        for prefix in ("/usr/local", "/usr"):
            paths.append(os.path.join(prefix, "lib", "docflt", PLUGIN_NAME))
    seen = set()
    return [p for p in paths if not (p in seen or seen.add(p))]


def encode_path(path):
    """The path as the plug-in takes it (narrow, in the system's encoding), or
    None when it cannot be expressed so: then the document is streamed."""
    try:
        if WINDOWS:
            return os.fspath(path).encode("mbcs", "strict")
        return os.fsencode(path)
    except (UnicodeError, TypeError):
        return None

