"""MkDocs hook: lays the type stubs out as stub-only packages for the API pages.

The reference is read from python/quorlibcore.pyi and
buffers/quorlibcore_buffers.pyi as they are in the repository, without
importing anything; griffe finds a module that consists of a stub alone
only as a `NAME-stubs` package, so each stub is copied into one under
build/docs/stubs (mkdocstrings' search path, see mkdocs.yml) before any page
is rendered.
"""
import shutil
from pathlib import Path

from mkdocs.plugins import event_priority

STUBS = {"quorlibcore": "python/quorlibcore.pyi", "quorlibcore_buffers": "buffers/quorlibcore_buffers.pyi"}


@event_priority(100)  # before mkdocstrings looks at its search path
def on_config(config):
    root = Path(config.config_file_path).parent
    target = root / "build" / "docs" / "stubs"
    shutil.rmtree(target, ignore_errors=True)
    for module, stub in STUBS.items():
        package = target / f"{module}-stubs"
        package.mkdir(parents=True)
        shutil.copyfile(root / stub, package / "__init__.pyi")
    config.watch.extend(str(root / stub) for stub in STUBS.values())
