#!/usr/bin/python3
"""Produces the program's DataBase/DOC/ folder: copies the files of doc/static/ as they are and runs every generator
in doc/ (each defines build(out_dir: pathlib.Path)). Generators share docgen.py beside this script. A file is only
rewritten when its bytes change, so a rebuild leaves the folder as it was."""
import importlib.util
import pathlib
import shutil
import sys

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here))
out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
for f in sorted((here / "doc" / "static").glob("*")):
    target = out / f.name
    if f.is_file() and (not target.exists() or target.read_bytes() != f.read_bytes()):
        shutil.copyfile(f, target)
for gen in sorted((here / "doc").glob("*.py")):
    if gen.name.startswith("_"):
        continue
    spec = importlib.util.spec_from_file_location(gen.stem, gen)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    mod.build(out)
