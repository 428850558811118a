"""One document through the plug-in, as any host drives it: a record with
callbacks, create, read until a short read, close."""

import ctypes
import errno
import io
import os
import stat
import threading
import weakref

from . import _abi
from .errors import PluginError, error_for

_MAX_SIZE = 0xFFFFFFFF
_BUFFER = 1 << 18  # one read serves most documents whole

# Each record's host, by the record's address: the callbacks get only that.
_hosts = weakref.WeakValueDictionary()


class Plugin:
    """A loaded and started plug-in. Any number of threads may extract
    through one Plugin: each thread gets its own record and buffer."""

    def __init__(self, path=None):
        errors = []
        for candidate in [os.fspath(path)] if path is not None else _abi.candidate_paths():
            if path is None and not os.path.exists(candidate):
                continue
            try:
                module = _abi.Module(candidate)
            except OSError as exc:
                errors.append("%s: %s" % (candidate, exc))
                continue
            if not module.started():
                errors.append("%s: the plug-in could not start (no filter server found)"
                              % candidate)
                continue
            self._module = module
            self.path = module.path
            self.extensions = module.extensions()
            self._local = threading.local()
            return
        if not errors:
            errors.append("no plug-in found (looked at %s); set DOCFLT_PLUGIN or pass a path"
                          % ", ".join(_abi.candidate_paths()))
        raise PluginError(_abi.ERR_INVALID, "; ".join(errors))

    def host(self):
        """This thread's host."""
        host = getattr(self._local, "host", None)
        if host is None:
            host = self._local.host = _Host(self._module)
        return host


_default = None
_default_lock = threading.Lock()


def default_plugin():
    """The process's plug-in, loaded on first use."""
    global _default
    plugin = _default
    if plugin is None:
        with _default_lock:
            if _default is None:
                _default = Plugin()
            plugin = _default
    return plugin


def load(path=None):
    """Loads the plug-in at `path` (or looks for it) and makes it the one the
    module-level functions use."""
    global _default
    plugin = Plugin(path)
    with _default_lock:
        _default = plugin
    return plugin


# --- callbacks: shared by every record; errors never escape into the plug-in


def _get_size(record, size_out, _reserved):
    host = _hosts.get(record)
    if host is None:
        return _abi.HOST_READ_ERROR
    if host.size > _MAX_SIZE:
        return _abi.HOST_TOO_LARGE
    ctypes.c_uint32.from_address(size_out).value = host.size
    return 0


def _read(record, buffer, capacity, count_out):
    host = _hosts.get(record)
    if host is None or host.reader is None:
        return _abi.HOST_READ_ERROR
    try:
        n = host.reader(buffer, capacity)
    except Exception as exc:  # reported after the call, with its cause
        host.failure = exc
        return _abi.HOST_READ_ERROR
    ctypes.c_uint32.from_address(count_out).value = n
    return 0


def _get_file_name(record, buffer, capacity):
    host = _hosts.get(record)
    name = host.name if host is not None else None
    if name is None or len(name) > capacity:  # the streaming routes follow
        return 0
    ctypes.memmove(buffer, name, len(name))
    return 1


def _get_code_page(record):
    host = _hosts.get(record)
    return host.codepage if host is not None else _abi.CP_DEFAULT


_CALLBACKS = (_abi.GETSIZE(_get_size), _abi.READ(_read), _abi.GETFILENAME(_get_file_name),
              _abi.GETCODEPAGE(_get_code_page))


# --- sources


def _fd_reader(fd):
    def read(buffer, capacity):
        return os.readv(fd, [(ctypes.c_char * capacity).from_address(buffer)])
    return read


def _bytes_reader(data):
    view = memoryview(data).cast("B")
    state = [0]

    def read(buffer, capacity):
        offset = state[0]
        piece = view[offset:offset + capacity]
        n = len(piece)
        if n:
            ctypes.memmove(buffer, piece.tobytes(), n)
            state[0] = offset + n
        return n
    return read


def _file_reader(stream):
    readinto = getattr(stream, "readinto", None)

    def read(buffer, capacity):
        target = (ctypes.c_char * capacity).from_address(buffer)
        if readinto is not None:
            n = readinto(target)
            return 0 if n is None else n
        data = stream.read(capacity)
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError("the file object must be opened in binary mode")
        ctypes.memmove(buffer, bytes(data), len(data))
        return len(data)
    return read


class _Host:
    """One thread's record, buffer and current document."""

    def __init__(self, module):
        self.module = module
        record = self.record = _abi.Record()
        record.cbSize = ctypes.sizeof(_abi.Record)
        record.pfnGetSize, record.pfnRead, record.pfnGetFileName, record.pfnGetCodePage = _CALLBACKS
        self.address = ctypes.addressof(record)
        self.buffer = ctypes.create_string_buffer(_BUFFER)
        self.count = ctypes.c_uint32()
        self.size = 0
        self.name = None  # NUL-terminated path, or None: stream only
        self.reader = None
        self.codepage = _abi.CP_UTF8
        self.failure = None
        _hosts[self.address] = self

    def _run(self, size, name, reader, codepage, path=None):
        """The document's text bytes; raises FilterError."""
        self.size, self.name, self.reader, self.codepage = size, name, reader, codepage
        self.failure = None
        module, record = self.module, self.address
        try:
            code = module.create(record)
            if code == _abi.OK:
                parts = []
                buffer = ctypes.addressof(self.buffer)
                count = self.count
                count_address = ctypes.addressof(count)
                try:
                    while True:
                        count.value = 0
                        code = module.read(record, buffer, _BUFFER, count_address)
                        if code != _abi.OK:
                            break
                        n = count.value
                        if n:
                            parts.append(ctypes.string_at(buffer, n))
                        if n < _BUFFER:
                            break
                finally:
                    module.close(record)
                if code == _abi.OK:
                    return parts[0] if len(parts) == 1 else b"".join(parts)
        finally:
            self.reader = self.name = None
        failure, self.failure = self.failure, None
        if code == _abi.HOST_READ_ERROR and failure is not None:
            raise error_for(code, path, "the source could not be read: %s" % failure) \
                from failure
        raise error_for(code, path)

    def extract_path(self, path, codepage):
        """A file by path: the plug-in loads it by name, and reads it through
        the read callback only when that route fails."""
        flags = os.O_RDONLY | getattr(os, "O_BINARY", 0) | getattr(os, "O_CLOEXEC", 0)
        fd = os.open(path, flags)
        try:
            st = os.fstat(fd)
            if not stat.S_ISREG(st.st_mode):
                raise OSError(errno.EINVAL, "not a regular file", os.fspath(path))
            name = _abi.encode_path(path)
            return self._run(st.st_size, name + b"\0" if name else None, _fd_reader(fd),
                             codepage, os.fspath(path))
        finally:
            os.close(fd)

    def extract_bytes(self, data, codepage):
        return self._run(len(data), None, _bytes_reader(data), codepage)

    def extract_file(self, stream, codepage):
        """A binary file object, from its current position: streamed only."""
        if isinstance(stream, io.TextIOBase):
            raise TypeError("the file object must be opened in binary mode")
        seekable = getattr(stream, "seekable", None)
        if seekable is not None and seekable():
            start = stream.tell()
            end = stream.seek(0, os.SEEK_END)
            stream.seek(start)
            return self._run(max(end - start, 0), None, _file_reader(stream), codepage)
        data = stream.read()  # no size without reading it all
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError("the file object must be opened in binary mode")
        return self.extract_bytes(bytes(data), codepage)
