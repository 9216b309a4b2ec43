#!/usr/bin/python3
"""The engine's evaluation of positions by a network file, computed the engine's way.

    reference.py NET FENS [--checkpoint CHECKPOINT]

FENS holds one FEN a line; anything after a '|' is ignored, so the lines of the self-play text
data can be given as they are, and blank lines and lines starting with '#' are skipped. For each
FEN one line is printed:

    <FEN> | <integer evaluation> | <float evaluation>

both in centipawns from the side to move's view. The integer evaluation is the one the engine
must compute exactly from NET. The float one is the float network's: the trained network of
CHECKPOINT when given (the checkpoint NET was exported from, which is checked), else the
network NET stands for, computed in floating point without the integer steps' truncation. The
float value is printed to 0.01 cp.

A network file with a wrong magic, version, size or checksum is refused, and so is a FEN the
network cannot evaluate (the line is named).
"""
import argparse
import sys

import numpy as np

import netfile
import records as rec


def read_fens(path):
    """[(line number, FEN)] of the file."""
    fens = []
    with open(path, encoding="utf-8") as stream:
        for number, line in enumerate(stream, 1):
            fen = line.split("|", 1)[0].strip()
            if fen and not fen.startswith("#"):
                fens.append((number, fen))
    return fens


def checkpoint_parameters(path, net):
    """The float parameters of a checkpoint, which must quantise to net."""
    try:
        import model
    except ImportError:
        raise netfile.NetFileError("--checkpoint needs PyTorch: apt-get install python3-torch, "
                                   "and run this with /usr/bin/python3") from None
    try:
        network = model.network_from_checkpoint(model.load_checkpoint(path), path)
        exported = network.quantised()
    except (model.CheckpointError, ValueError) as error:
        raise netfile.NetFileError(str(error)) from error
    if exported.to_bytes() != net.to_bytes():
        raise netfile.NetFileError(f"{path} is not the checkpoint the network file was "
                                   "exported from")
    return network.float_parameters()


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Print the engine's integer evaluation and the float network's evaluation "
                    "of each FEN.",
        formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__.split("\n\n", 1)[1])
    parser.add_argument("net", help="the network file")
    parser.add_argument("fens", help="a file of FENs, one a line")
    parser.add_argument("--checkpoint", help="the checkpoint the network was exported from: "
                        "its float network gives the float evaluation")
    args = parser.parse_args(argv)
    try:
        net = netfile.read_net(args.net)
        if args.checkpoint:
            parameters = checkpoint_parameters(args.checkpoint, net)
        else:
            parameters = netfile.dequantise(net)
        fens = read_fens(args.fens)
        records = np.zeros(len(fens), dtype=rec.RECORD_DTYPE)
        for i, (number, fen) in enumerate(fens):
            try:
                records[i] = rec.pack_record(fen)
            except rec.FenError as error:
                raise rec.FenError(f"{args.fens}:{number}: {error}") from None
    except (netfile.NetFileError, rec.FenError) as error:
        print(f"reference.py: {error}", file=sys.stderr)
        return 1
    except (OSError, UnicodeDecodeError) as error:
        name = getattr(error, "filename", None) or args.fens
        print(f"reference.py: cannot read {name}: {getattr(error, 'strerror', None) or error}",
              file=sys.stderr)
        return 1
    us, them = rec.side_features(records)
    try:
        integer = netfile.evaluate_int(net, us, them)
    except OverflowError:
        print(f"reference.py: {args.net}: its first layer's sums leave int16 on these positions, "
              "where the engine's accumulators cannot follow", file=sys.stderr)
        return 1
    floating = netfile.evaluate_float(*parameters, us, them)
    out = sys.stdout
    for (_, fen), int_cp, float_cp in zip(fens, integer, floating):
        out.write(f"{fen} | {int(int_cp)} | {float_cp:.2f}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
