"""python3 -m docflt [-j N] [--codepage CP] [--plugin PATH] [--dask N|ADDRESS] FILE|DIR...

Writes each document's text to standard output, in input order; failures go
to standard error with the file name and the reason. Exit status 1 when any
document failed, 2 when the plug-in cannot be used."""

import argparse
import os
import sys

from . import _codepage
from ._host import Plugin
from .batch import extract_many
from .errors import PluginError


def collect(inputs, extensions):
    """Files named are taken whatever their extension; directories give their
    files with the plug-in's extensions, recursively, in sorted order."""
    wanted = {e.upper() for e in extensions}
    files = []
    for item in inputs:
        if not os.path.isdir(item):
            files.append(item)
            continue
        found = []
        for root, _dirs, names in os.walk(item):
            for name in names:
                ext = os.path.splitext(name)[1][1:].upper()
                if ext and ext in wanted:
                    found.append(os.path.join(root, name))
        files.extend(sorted(found))
    return files


def _dask_results(where, files, codepage):
    from distributed import Client, LocalCluster

    from .dask import extract_bag
    if where.isdigit():
        cluster = LocalCluster(n_workers=int(where), threads_per_worker=1, processes=True,
                               host="127.0.0.1", dashboard_address=None)
        client = Client(cluster)
    else:
        cluster, client = None, Client(where)
    try:
        yield from extract_bag(files, codepage=codepage).compute()
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m docflt",
                                     description="Extracts the text of Word documents.")
    parser.add_argument("inputs", nargs="+", metavar="FILE|DIR")
    parser.add_argument("-j", "--jobs", type=int, default=1,
                        help="threads extracting at once (default 1)")
    parser.add_argument("--codepage", default=None,
                        help="utf8 (default), unicode or a code page number")
    parser.add_argument("--plugin", default=None, help="the plug-in to load")
    parser.add_argument("--dask", metavar="N|ADDRESS", default=None,
                        help="extract on a Dask cluster: N local worker processes, "
                             "or a scheduler's address")
    parser.add_argument("--quiet", action="store_true", help="no summary line")
    args = parser.parse_args(argv)
    try:
        cp_mode = _codepage.mode(args.codepage)
    except (TypeError, ValueError) as exc:
        parser.error(str(exc))
    codec = _codepage.codec(cp_mode)
    if codec is None:
        parser.error("code page %s gives bytes with no single decoding" % args.codepage)
    try:
        plugin = Plugin(args.plugin)
    except PluginError as exc:
        print("docflt: %s" % exc.message, file=sys.stderr)
        return 2
    files = collect(args.inputs, plugin.extensions)
    if args.dask:
        results = _dask_results(args.dask, files, args.codepage)
    else:
        results = extract_many(files, jobs=args.jobs, codepage=args.codepage, plugin=plugin)
    out = sys.stdout.buffer
    failed = 0
    for r in results:
        if r.text is None:
            failed += 1
            out.flush()
            reason = r.error if r.code is None else "%s (result %d)" % (r.error, r.code)
            print("docflt: %s: %s" % (r.path, reason), file=sys.stderr)
        else:
            out.write(r.text.encode(codec, "replace"))
    out.flush()
    if not args.quiet and (len(files) > 1 or failed):
        print("docflt: %d documents, %d extracted, %d failed"
              % (len(files), len(files) - failed, failed), file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
