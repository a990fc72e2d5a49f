"""Makes the self-contained wheel: auditwheel grafts the shared libraries the
extension needs (the BLAS with LAPACKE among them) into the wheel, and then
the wheel no longer needs the scipy-openblas32 package, so its requirement is
dropped from the metadata (else pip would install a second, unused copy).

    python tools/repair_wheel.py PLATFORM OUT_DIR WHEEL
"""
import base64
import hashlib
import os
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

from blas_requirement import PACKAGE


def record_hash(data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"sha256={digest},{len(data)}"


def drop_requirement(wheel):
    """Rewrites `wheel` in place without the Requires-Dist line of PACKAGE."""
    with zipfile.ZipFile(wheel) as source:
        entries = [(info, source.read(info)) for info in source.infolist()]
    metadata_name = next(info.filename for info, _ in entries if info.filename.endswith(".dist-info/METADATA"))
    record_name = metadata_name[: -len("METADATA")] + "RECORD"
    out = {}
    for info, data in entries:
        if info.filename == metadata_name:
            lines = data.decode().splitlines(keepends=True)
            data = "".join(l for l in lines if not l.startswith(f"Requires-Dist: {PACKAGE}")).encode()
            out[metadata_name] = data
        out.setdefault(info.filename, data)
    record = []
    for line in out[record_name].decode().splitlines():
        name = line.rsplit(",", 2)[0]
        record.append(f"{name},{record_hash(out[name])}" if name == metadata_name else line)
    out[record_name] = ("\n".join(record) + "\n").encode()
    with tempfile.NamedTemporaryFile(dir=wheel.parent, delete=False) as tmp:
        with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as target:
            for info, _ in entries:
                target.writestr(info, out[info.filename])
    os.chmod(tmp.name, 0o644)
    os.replace(tmp.name, wheel)


def main(platform, out_dir, wheel):
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([sys.executable, "-m", "auditwheel", "repair", "--plat", platform, "-w", work, wheel],
                       check=True)
        for repaired in Path(work).glob("*.whl"):
            drop_requirement(repaired)
            os.replace(repaired, Path(out_dir) / repaired.name)


if __name__ == "__main__":
    main(*sys.argv[1:])
