"""Creates or removes the private Wine prefix the tests share.

`create` starts a persistent wineserver and boots the prefix with every
stream going to a log file: Wine's background services then never hold a
test's pipe open, and no test pays for a prefix start. `remove` stops them.
"""

import shutil
import subprocess
import sys

from harness import PREFIX, WINE_LOADER, WINESERVER, wine_environment


def create():
    remove()  # a server left by an interrupted run would hold the old prefix
    shutil.rmtree(PREFIX, ignore_errors=True)
    PREFIX.mkdir(parents=True)
    with open(str(PREFIX) + ".log", "wb") as log:
        detached = dict(
            env=wine_environment(),
            stdin=subprocess.DEVNULL,
            stdout=log,
            stderr=log,
            start_new_session=True,
            timeout=300,
        )
        subprocess.run([WINESERVER, "-p"], check=True, **detached)
        subprocess.run([WINE_LOADER, "wineboot", "-i"], check=True, **detached)
    print(f"Wine prefix ready: {PREFIX}")


def remove():
    subprocess.run([WINESERVER, "-k"], env=wine_environment(), capture_output=True)


if __name__ == "__main__":
    {"create": create, "remove": remove}[sys.argv[1]]()
