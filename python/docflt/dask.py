"""Extraction on a Dask cluster: a bag of the same results extract_many gives.

    from distributed import Client
    import docflt.dask
    client = Client("tcp://scheduler:8786")        # or a LocalCluster
    results = docflt.dask.extract_bag(paths).compute()

Every worker loads the plug-in itself (docflt must be importable there), and
reads the documents by path: on a cluster the paths must name the same files
on every worker. A task whose worker is lost is run again elsewhere by Dask;
extraction has no side effects, so a document is never lost or duplicated."""

import os

import dask.bag

from .batch import extract_many

# Documents per task when the caller does not say: a task costs the scheduler
# about a millisecond, as much as a typical document.
_PARTITION = 16


def _extract_partition(paths, codepage=None):
    return list(extract_many(paths, jobs=1, codepage=codepage))


def extract_bag(paths, codepage=None, partition_size=None, npartitions=None):
    """A dask.bag of docflt.Result, one per path, in the order given."""
    paths = [os.fspath(p) for p in paths]
    if partition_size is None and npartitions is None:
        partition_size = _PARTITION
    if not paths:
        return dask.bag.from_sequence([], npartitions=1)
    bag = dask.bag.from_sequence(paths, partition_size=partition_size, npartitions=npartitions)
    return bag.map_partitions(_extract_partition, codepage=codepage)
