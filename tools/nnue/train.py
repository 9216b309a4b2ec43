#!/usr/bin/python3
"""Trains the evaluation network on the data generator's positions and exports it for the engine.

    train.py [options] DATA [DATA...]                 train, checkpoint every epoch, export
    train.py --resume RUN/epoch-003.pt [...] DATA...  go on from a checkpoint (same data)
    train.py --export RUN/epoch-003.pt --net N.vtnn   export a checkpoint only

Every data file is read into memory and checked. Positions in check, noisy positions, mate
scores and the first plies are left out unless asked for. A share of the games (a fixed choice
for a seed) is held out for the validation loss. Every epoch shuffles the training positions
in an order that the seed and the epoch decide, so the same seed, data and thread count give
the same network byte for byte, whether or not the run was resumed on the way.

The loss is the mean squared error between sigmoid(prediction_cp / K) and
lambda * sigmoid(score / K) + (1 - lambda) * result, both from the side to move's view.
"""
import argparse
import hashlib
import os
import sys
import time

import numpy as np

import netfile
import records as rec

# The options that decide the trained network: a resumed run takes them from its checkpoint,
# and refuses different ones. --epochs may grow, to train further.
TRAINING_OPTIONS = {
    "hidden": 128,
    "batch_size": 16384,
    "lr": 1e-3,
    "lr_step": 4,
    "lr_gamma": 0.3,
    "lam": 0.75,
    "k": 400.0,
    "seed": 1,
    "val_fraction": 0.05,
    "min_ply": 8,
    "keep_check": False,
    "keep_noisy": False,
    "keep_mate": False,
}
# With fewer games marked in the data than this, the validation share is drawn by position.
MIN_GAMES_FOR_SPLIT = 20


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description="Train the evaluation network and export it for the engine.",
        formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__.split("\n\n", 1)[1])
    parser.add_argument("data", nargs="*", help="data files of 32-byte positions")
    parser.add_argument("--out-dir", default="nnue-run",
                        help="folder of the checkpoints and the network (default %(default)s)")
    parser.add_argument("--net", help="the network file written at the end "
                        "(default OUT_DIR/net.vtnn)")
    parser.add_argument("--epochs", type=int, default=10, help="epochs in all (default 10)")
    parser.add_argument("--hidden", type=int, help="hidden size N, a multiple of 16 from 16 to 512 (default 128)")
    parser.add_argument("--batch-size", type=int, help="positions a step (default 16384)")
    parser.add_argument("--lr", type=float, help="Adam's learning rate (default 0.001)")
    parser.add_argument("--lr-step", type=int,
                        help="epochs between learning-rate drops (default 4)")
    parser.add_argument("--lr-gamma", type=float,
                        help="factor of each learning-rate drop (default 0.3)")
    parser.add_argument("--lambda", dest="lam", type=float, metavar="LAMBDA",
                        help="weight of the score in the target, the rest the result "
                        "(default 0.75)")
    parser.add_argument("--k", type=float, help="sigmoid scale in centipawns (default 400)")
    parser.add_argument("--seed", type=int, help="seed of the initial weights, the "
                        "validation split and the shuffles (default 1)")
    parser.add_argument("--val-fraction", type=float,
                        help="share of the games held out for validation (default 0.05)")
    parser.add_argument("--min-ply", type=int,
                        help="leave out positions before this ply (default 8; 0 keeps all)")
    parser.add_argument("--keep-check", action="store_true", default=None,
                        help="keep positions whose side to move is in check")
    parser.add_argument("--keep-noisy", action="store_true", default=None,
                        help="keep noisy positions (best move a capture or promotion)")
    parser.add_argument("--keep-mate", action="store_true", default=None,
                        help="keep positions with a mate score")
    parser.add_argument("--threads", type=int, default=2,
                        help="torch threads (default 2); the same count gives the same net")
    parser.add_argument("--resume", metavar="CHECKPOINT", help="go on from a checkpoint")
    parser.add_argument("--export", metavar="CHECKPOINT",
                        help="only export CHECKPOINT's network to --net, and stop")
    parser.add_argument("--progress-seconds", type=float, default=10,
                        help="seconds between progress lines within an epoch (default 10)")
    args = parser.parse_args(argv)
    if args.export:
        if not args.net:
            parser.error("--export needs --net, the file to write")
        return args
    if not args.data:
        parser.error("no data file given")
    if args.threads < 1 or args.epochs < 1:
        parser.error("--threads and --epochs must be at least 1")
    return args


def fail(message):
    print(f"train.py: {message}", file=sys.stderr)
    sys.exit(1)


def check_options(options):
    if (not netfile.MIN_HIDDEN <= options["hidden"] <= netfile.MAX_HIDDEN
            or options["hidden"] % netfile.HIDDEN_STEP != 0):
        fail(f"--hidden {options['hidden']}: the hidden size is a multiple of "
             f"{netfile.HIDDEN_STEP} from {netfile.MIN_HIDDEN} to {netfile.MAX_HIDDEN}")
    for name, low in (("batch_size", 1), ("lr_step", 1), ("min_ply", 0)):
        if options[name] < low:
            fail(f"--{name.replace('_', '-')} must be at least {low}")
    if not options["lr"] > 0 or not options["k"] > 0 or not options["lr_gamma"] > 0:
        fail("--lr, --k and --lr-gamma must be positive")
    if not 0 <= options["lam"] <= 1:
        fail("--lambda goes from 0 to 1")
    if not 0 <= options["val_fraction"] < 1:
        fail("--val-fraction goes from 0 up to (not including) 1")


def resolve_options(args, checkpoint):
    """The training options: the command line's over the defaults, or the checkpoint's when
    resuming (a different value on the command line is refused)."""
    given = {name: getattr(args, name) for name in TRAINING_OPTIONS
             if getattr(args, name) is not None}
    if checkpoint is None:
        options = dict(TRAINING_OPTIONS)
        options.update(given)
        return options
    options = dict(checkpoint["options"])
    for name, value in given.items():
        if options.get(name) != value:
            fail(f"the checkpoint was trained with --{name.replace('_', '-')} "
                 f"{options.get(name)}, not {value}: a resumed run keeps its options")
    return options


# ----------------------------------------------------------------------------------------------
# Data


class Dataset:
    """The positions of one split: features of both sides and the targets."""

    def __init__(self, us, them, target):
        self.us, self.them, self.target = us, them, target

    def __len__(self):
        return len(self.target)


def validation_mask(records, file_starts, fraction, seed):
    """Which positions are held out: whole games (a game begins at a position flagged as the
    first of its game, or at the start of a file), drawn from the seed; by position when the
    data marks too few games."""
    rng = np.random.default_rng([seed, 1])
    n = len(records)
    if fraction == 0:
        return np.zeros(n, dtype=bool)
    starts = (records["flags"] & rec.FLAG_GAME_START) != 0
    starts[file_starts] = True
    game = np.cumsum(starts) - 1
    games = int(game[-1]) + 1
    if games < MIN_GAMES_FOR_SPLIT:
        return rng.random(n) < fraction
    held = rng.random(games) < fraction
    if not held.any():
        held[rng.integers(games)] = True
    return held[game]


def keep_mask(records, options):
    """The positions that the filters let through, and how many each filter took out."""
    flags = records["flags"]
    keep = np.ones(len(records), dtype=bool)
    removed = {}
    for option, name, flag in (("keep_check", "in check", rec.FLAG_IN_CHECK),
                               ("keep_noisy", "noisy", rec.FLAG_NOISY),
                               ("keep_mate", "mate score", rec.FLAG_MATE)):
        if not options[option]:
            hit = (flags & flag) != 0
            removed[name] = int((hit & keep).sum())
            keep &= ~hit
    if options["min_ply"] > 0:
        hit = records["ply"] < options["min_ply"]
        removed[f"ply < {options['min_ply']}"] = int((hit & keep).sum())
        keep &= ~hit
    return keep, removed


def fingerprint(records):
    return hashlib.blake2b(records.tobytes(), digest_size=16).hexdigest()


def load_data(paths, options):
    """Reads the files and returns (training set, validation set, the data's fingerprint)."""
    import model
    parts = []
    file_starts = []
    total = 0
    for path in paths:
        part = rec.read_records(path)
        print(f"{path}: {len(part)} positions", flush=True)
        parts.append(part)
        file_starts.append(total)
        total += len(part)
    records = parts[0] if len(parts) == 1 else np.concatenate(parts)
    del parts
    held = validation_mask(records, np.array(file_starts), options["val_fraction"],
                           options["seed"])
    keep, removed = keep_mask(records, options)
    left_out = ", ".join(f"{count} {name}" for name, count in removed.items()) or "none"
    print(f"{len(records)} positions; left out: {left_out}", flush=True)
    sets = []
    for mask in (keep & ~held, keep & held):
        part = records[mask]
        us, them = rec.side_features(part)
        score, result = rec.side_to_move_labels(part)
        target = model.targets(score, result, options["lam"], options["k"]).numpy()
        sets.append(Dataset(us, them, target))
    print(f"training positions {len(sets[0])}, validation positions {len(sets[1])}", flush=True)
    if len(sets[0]) == 0:
        fail("no training positions are left after the filters")
    return sets[0], sets[1], fingerprint(records)


# ----------------------------------------------------------------------------------------------
# Training


def batch_tensors(torch, data, index):
    import model
    return (model.sparse_features(data.us[index]), model.sparse_features(data.them[index]),
            torch.from_numpy(data.target[index]))


def validation_loss(torch, network, data, options):
    import model
    if len(data) == 0:
        return None
    total = 0.0
    with torch.no_grad():
        for start in range(0, len(data), options["batch_size"]):
            index = np.arange(start, min(start + options["batch_size"], len(data)))
            us, them, target = batch_tensors(torch, data, index)
            loss = model.loss_fn(network(us, them), target, options["k"])
            total += float(loss) * len(index)
    return total / len(data)


def train(args, options, checkpoint):
    import torch
    import model
    torch.set_num_threads(args.threads)
    torch.use_deterministic_algorithms(True)
    torch.manual_seed(options["seed"])
    check_options(options)
    train_set, val_set, data_print = load_data(args.data, options)
    if checkpoint is not None and checkpoint.get("data") != data_print:
        fail("the data differs from the data of the checkpoint (other files, or in another "
             "order): a resumed run must read the same data")

    if checkpoint is None:
        network = model.Network(options["hidden"])
    else:
        network = model.network_from_checkpoint(checkpoint, args.resume)
    optimiser = torch.optim.Adam(network.parameters(), lr=options["lr"])
    schedule = torch.optim.lr_scheduler.StepLR(optimiser, step_size=options["lr_step"],
                                               gamma=options["lr_gamma"])
    first_epoch = 1
    history = []
    if checkpoint is not None:
        try:
            optimiser.load_state_dict(checkpoint["optimiser"])
            schedule.load_state_dict(checkpoint["schedule"])
        except (KeyError, ValueError, TypeError) as error:
            raise model.CheckpointError(f"{args.resume}: its optimiser state cannot be "
                                        f"restored ({error})") from error
        first_epoch = int(checkpoint["epoch"]) + 1
        history = list(checkpoint.get("history", []))
        if checkpoint.get("threads") != args.threads:
            print(f"note: the checkpoint ran with {checkpoint.get('threads')} threads, this run "
                  f"with {args.threads}: the network may differ in its last bits", flush=True)
        print(f"resuming after epoch {first_epoch - 1}", flush=True)

    if first_epoch > args.epochs:
        print(f"the checkpoint has finished {first_epoch - 1} epochs: nothing left to train "
              f"(raise --epochs to train further)", flush=True)
    os.makedirs(args.out_dir, exist_ok=True)
    batch_size = options["batch_size"]
    n = len(train_set)
    for epoch in range(first_epoch, args.epochs + 1):
        order = np.random.default_rng([options["seed"], 2, epoch]).permutation(n)
        lr = optimiser.param_groups[0]["lr"]
        started = last_report = time.monotonic()
        loss_sum = 0.0
        done = 0
        network.train()
        for start in range(0, n, batch_size):
            index = order[start:start + batch_size]
            us, them, target = batch_tensors(torch, train_set, index)
            loss = model.loss_fn(network(us, them), target, options["k"])
            optimiser.zero_grad(set_to_none=True)
            loss.backward()
            optimiser.step()
            network.clip_weights()
            loss_sum += float(loss) * len(index)
            done += len(index)
            now = time.monotonic()
            if now - last_report >= args.progress_seconds and done < n:
                last_report = now
                print(f"epoch {epoch}/{args.epochs} {100 * done / n:5.1f}%  "
                      f"{done / (now - started):8.0f} positions/s  "
                      f"training loss {loss_sum / done:.6f}", flush=True)
        seconds = time.monotonic() - started
        train_loss = loss_sum / n
        network.eval()
        val_loss = validation_loss(torch, network, val_set, options)
        schedule.step()
        history.append({"epoch": epoch, "train_loss": train_loss, "val_loss": val_loss})
        val_text = f"{val_loss:.6f}" if val_loss is not None else "none (no positions)"
        print(f"epoch {epoch}/{args.epochs}  training loss {train_loss:.6f}  validation loss "
              f"{val_text}  {n / seconds:.0f} positions/s  lr {lr:.3g}  {seconds:.1f} s",
              flush=True)
        path = os.path.join(args.out_dir, f"epoch-{epoch:03d}.pt")
        model.save_checkpoint(path, network, optimiser, schedule, {
            "epoch": epoch, "options": options, "data": data_print, "threads": args.threads,
            "history": history})
        print(f"checkpoint {path}", flush=True)

    net_path = args.net or os.path.join(args.out_dir, "net.vtnn")
    try:
        net = network.quantised()
    except ValueError as error:
        fail(f"the network cannot be exported: {error}")
    netfile.write_net(net_path, net)
    print(f"network {net_path} (hidden {net.hidden})", flush=True)


def main(argv=None):
    args = parse_arguments(sys.argv[1:] if argv is None else argv)
    try:
        import torch  # noqa: F401
    except ImportError:
        fail("PyTorch is missing: apt-get install python3-torch python3-numpy, and run this with "
             "/usr/bin/python3")
    import model
    try:
        if args.export:
            net = model.export_checkpoint(args.export, args.net)
            print(f"network {args.net} (hidden {net.hidden}) from {args.export}")
            return 0
        checkpoint = model.load_checkpoint(args.resume) if args.resume else None
        options = resolve_options(args, checkpoint)
        train(args, options, checkpoint)
    except (rec.DataError, model.CheckpointError, netfile.NetFileError) as error:
        fail(str(error))
    except OSError as error:
        fail(f"{error.filename or ''}: {error.strerror or error}")
    except KeyboardInterrupt:
        print("\ninterrupted: the last checkpoint holds the last finished epoch",
              file=sys.stderr)
        return 130
    return 0


if __name__ == "__main__":
    sys.exit(main())
