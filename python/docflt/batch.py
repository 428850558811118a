"""Many documents, optionally on several threads, results in input order."""

import collections
import os

from . import _codepage
from ._host import default_plugin
from .errors import FilterError

# Documents per task: enough to keep the hand-over cost small beside the
# documents' own, few enough to balance the threads.
_BATCH = 8


class Result(collections.namedtuple("Result", "path text code error")):
    """One document's outcome. `text` is None on failure; `code` is the
    result code (0 on success), None when the file could not be opened at all
    (then `error` is the system's reason)."""

    __slots__ = ()

    @property
    def ok(self):
        return self.text is not None


def _one(host, path, cp_mode, codec):
    try:
        data = host.extract_path(path, cp_mode)
    except FilterError as exc:
        return Result(path, None, exc.code, exc.message)
    except OSError as exc:
        return Result(path, None, None, exc.strerror or str(exc))
    return Result(path, data.decode(codec, "replace"), 0, None)


def _batch(plugin, paths, cp_mode, codec):
    host = plugin.host()
    return [_one(host, p, cp_mode, codec) for p in paths]


def extract_many(paths, jobs=1, codepage=None, plugin=None):
    """Yields a Result for each path, in the order given. `jobs` threads
    extract at once (None: one per processor); each has its own record. The
    paths are taken lazily, so an endless iterable works."""
    cp_mode = _codepage.mode(codepage)
    codec = _codepage.codec(cp_mode)
    if codec is None:
        raise ValueError("code page %r gives bytes with no single decoding" % (codepage,))
    if jobs is None:
        jobs = os.cpu_count() or 1
    if jobs < 1:
        raise ValueError("jobs must be at least 1")
    plugin = plugin or default_plugin()
    paths = (os.fspath(p) for p in paths)
    if jobs == 1:
        host = plugin.host()
        for path in paths:
            yield _one(host, path, cp_mode, codec)
        return
    yield from _threaded(plugin, paths, jobs, cp_mode, codec)


def _threaded(plugin, paths, jobs, cp_mode, codec):
    from concurrent.futures import ThreadPoolExecutor  # costs a module load: only when used
    pending = collections.deque()
    window = jobs * 4  # batches in flight: the threads never wait for the consumer's turn
    executor = ThreadPoolExecutor(max_workers=jobs, thread_name_prefix="docflt")
    try:
        exhausted = False
        while True:
            while not exhausted and len(pending) < window:
                chunk = []
                for path in paths:
                    chunk.append(path)
                    if len(chunk) == _BATCH:
                        break
                if not chunk:
                    exhausted = True
                    break
                pending.append(executor.submit(_batch, plugin, chunk, cp_mode, codec))
            if not pending:
                return
            yield from pending.popleft().result()
    finally:
        for future in pending:
            future.cancel()
        executor.shutdown(wait=True)
