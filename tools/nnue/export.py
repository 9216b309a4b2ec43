#!/usr/bin/python3
"""Exports a training checkpoint's network as the engine's quantised network file.

    export.py CHECKPOINT NET

The same as `train.py --export CHECKPOINT --net NET`.
"""
import argparse
import sys

import netfile


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("checkpoint", help="a checkpoint that train.py wrote")
    parser.add_argument("net", help="the network file to write")
    args = parser.parse_args(argv)
    try:
        import model
    except ImportError:
        print("export.py: PyTorch is missing: apt-get install python3-torch python3-numpy, and "
              "run this with /usr/bin/python3", file=sys.stderr)
        return 1
    try:
        net = model.export_checkpoint(args.checkpoint, args.net)
    except (model.CheckpointError, netfile.NetFileError) as error:
        print(f"export.py: {error}", file=sys.stderr)
        return 1
    except OSError as error:
        print(f"export.py: {error.filename or args.net}: {error.strerror or error}",
              file=sys.stderr)
        return 1
    print(f"network {args.net} (hidden {net.hidden}) from {args.checkpoint}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
