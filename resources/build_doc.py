#!/usr/bin/python3
"""Produces the program's DataBase/DOC/ folder: runs every generator in doc/ (each defines build(out_dir)) and
copies the files of doc/static/ as they are."""
import importlib.util
import pathlib
import shutil
import sys

here = pathlib.Path(__file__).resolve().parent
out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
for f in sorted((here / "doc" / "static").glob("*")):
    if f.is_file():
        shutil.copyfile(f, out / f.name)
for gen in sorted((here / "doc").glob("*.py")):
    spec = importlib.util.spec_from_file_location(gen.stem, gen)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    mod.build(out)
