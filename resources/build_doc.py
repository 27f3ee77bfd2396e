#!/usr/bin/python3
"""Produces the program's DataBase/DOC/ folder: copies the files of doc/static/ as they are and runs the generators
in doc/ (each defines OUTPUTS, the names of the files it writes, and build(out_dir: pathlib.Path)). Generators share
docgen.py beside this script.

    build_doc.py --list                one line per file produced: its source (doc/x.py or doc/static/x), a tab, its
                                       name; the build declares each file as an output of its source
    build_doc.py OUT_DIR [SOURCE...]   produces the files of the sources given (of every source when none)

A file's bytes are only rewritten when they change, but every file of a run is stamped with the time of the run, so
that the build sees it up to date."""
import importlib.util
import os
import pathlib
import shutil
import sys

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here))


def load(gen):
    spec = importlib.util.spec_from_file_location(gen.stem, gen)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


def sources():
    """{source relative to this folder: its path}, static files first, then the generators."""
    found = [f for f in sorted((here / "doc" / "static").glob("*")) if f.is_file()]
    found += [g for g in sorted((here / "doc").glob("*.py")) if not g.name.startswith("_")]
    return {f.relative_to(here).as_posix(): f for f in found}


def outputs(path):
    return [path.name] if path.parent.name == "static" else list(load(path).OUTPUTS)


def produce(out, source, path):
    if path.parent.name == "static":
        target = out / path.name
        if not target.exists() or target.read_bytes() != path.read_bytes():
            shutil.copyfile(path, target)
        names = [path.name]
    else:
        mod = load(path)
        mod.build(out)
        names = list(mod.OUTPUTS)
    for name in names:
        if not (out / name).is_file():
            sys.exit("%s did not write %s, which its OUTPUTS name" % (source, name))
        os.utime(out / name)


known = sources()
if sys.argv[1:] == ["--list"]:
    for source, path in known.items():
        for name in outputs(path):
            print("%s\t%s" % (source, name))
    sys.exit(0)
out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
for source in sys.argv[2:] or known:
    if source not in known:
        sys.exit("no source %s in %s" % (source, here / "doc"))
    produce(out, source, known[source])
