"""The float network that training fits, its loss, and its checkpoints.

(768 -> N) x 2 -> 1: one first layer shared by both sides gives each side an accumulator; SCReLU
(clamp to [0, 1], then square) on each; the output layer reads the side to move's half first,
then the other side's. The output times SCALE is the evaluation in centipawns from the side to
move's view.
"""
import json
import os

import numpy as np
import torch

import netfile
from records import NUM_FEATURES, PAD_FEATURE


class Network(torch.nn.Module):
    def __init__(self, hidden):
        super().__init__()
        if not netfile.MIN_HIDDEN <= hidden <= netfile.MAX_HIDDEN:
            raise ValueError(f"hidden size {hidden} outside "
                             f"{netfile.MIN_HIDDEN}..{netfile.MAX_HIDDEN}")
        self.hidden = hidden
        # The first layer as a sum of embedding rows: a position has at most 32 active features
        # of 768, so summing rows costs far less than a dense product.
        self.l1 = torch.nn.EmbeddingBag(NUM_FEATURES, hidden, mode="sum")
        self.l1_bias = torch.nn.Parameter(torch.zeros(hidden))
        self.out = torch.nn.Linear(2 * hidden, 1)
        with torch.no_grad():
            # About 25 active features: this spread puts the accumulators around the active
            # part of the activation from the start.
            bound = 1 / np.sqrt(32)
            self.l1.weight.uniform_(-bound, bound)

    def forward(self, us, them):
        """The output for the side to move's features and the other side's, each a pair
        (indices, offsets) as sparse_features makes them."""
        acc_us = self.l1(*us) + self.l1_bias
        acc_them = self.l1(*them) + self.l1_bias
        hidden = torch.cat([screlu(acc_us), screlu(acc_them)], dim=1)
        return self.out(hidden).squeeze(1)

    def clip_weights(self):
        """Keeps both layers' weights where their quantised values fit."""
        with torch.no_grad():
            self.l1.weight.clamp_(-netfile.WEIGHT_CLIP, netfile.WEIGHT_CLIP)
            self.out.weight.clamp_(-netfile.WEIGHT_CLIP, netfile.WEIGHT_CLIP)

    def float_parameters(self):
        """(l1_weights [768, N], l1_bias [N], out_weights [2N], out_bias) as float64 numpy."""
        return (self.l1.weight.detach().double().numpy(),
                self.l1_bias.detach().double().numpy(),
                self.out.weight.detach()[0].double().numpy(),
                float(self.out.bias.detach()[0]))

    def quantised(self):
        return netfile.quantise(*self.float_parameters())


def sparse_features(features):
    """Padded feature rows [B, 32] (numpy, PAD_FEATURE in the empty slots) as the embedding
    takes them: (the active indices one row after another, where each row starts), int64
    tensors. Leaving out the empty slots saves a third of the first layer's work on games'
    positions."""
    active = features != PAD_FEATURE
    offsets = np.zeros(len(features), dtype=np.int64)
    np.cumsum(active.sum(axis=1)[:-1], out=offsets[1:])
    return (torch.from_numpy(features[active].astype(np.int64)), torch.from_numpy(offsets))


def evaluate(network, us, them):
    """The float network's evaluation in centipawns from the side to move's view, float64 numpy,
    for padded feature arrays (as records.side_features gives them)."""
    with torch.no_grad():
        return (netfile.SCALE * network(sparse_features(us), sparse_features(them))).double().numpy()


def screlu(x):
    return torch.clamp(x, 0.0, 1.0).square()


def targets(score_stm, result_stm, lam, k):
    """The training target of each position: lam * sigmoid(score / k) + (1 - lam) * result, from
    the side to move's view, float32."""
    score = torch.as_tensor(score_stm, dtype=torch.float64)
    result = torch.as_tensor(result_stm, dtype=torch.float64)
    return (lam * torch.sigmoid(score / k) + (1 - lam) * result).float()


def loss_fn(output, target, k):
    """Mean squared error between sigmoid(prediction_cp / k) and the target."""
    return torch.mean((torch.sigmoid(output * (netfile.SCALE / k)) - target) ** 2)


# ----------------------------------------------------------------------------------------------
# Checkpoints


class CheckpointError(Exception):
    pass


def save_checkpoint(path, network, optimiser, schedule, info):
    """Writes a checkpoint whole or not at all: the network's and the optimiser's tensors, and
    info (plain data: numbers, strings, lists, dictionaries) with the optimiser's and the
    schedule's settings as JSON beside them."""
    optimiser_state = optimiser.state_dict()
    meta = dict(info, optimiser_groups=optimiser_state["param_groups"],
                schedule=schedule.state_dict())
    state = {"model": network.state_dict(), "optimiser_state": optimiser_state["state"],
             "meta": json.dumps(meta)}
    temporary = f"{path}.tmp{os.getpid()}"
    try:
        torch.save(state, temporary)
        os.replace(temporary, path)
    except BaseException as error:
        if os.path.exists(temporary):
            os.remove(temporary)
        if isinstance(error, OSError):
            raise CheckpointError(f"cannot write {path}: {error.strerror or error}") from error
        raise


def load_checkpoint(path):
    """A checkpoint: a dictionary of its info with "model" (the network's tensors),
    "optimiser" (the optimiser's state dictionary) and "schedule" added. Only tensors and plain
    data are read (no pickled code), so a checkpoint from elsewhere cannot run anything."""
    try:
        state = torch.load(path, map_location="cpu", weights_only=True)
    except FileNotFoundError as error:
        raise CheckpointError(f"cannot read checkpoint {path}: {error.strerror}") from error
    except IsADirectoryError as error:
        raise CheckpointError(f"cannot read checkpoint {path}: {error.strerror}") from error
    except Exception as error:  # torch reports a bad file with many kinds of error
        raise CheckpointError(f"{path}: not a checkpoint that train.py wrote, or a damaged one "
                              f"({type(error).__name__})") from error
    try:
        meta = json.loads(state["meta"])
        meta["model"] = state["model"]
        meta["optimiser"] = {"state": state["optimiser_state"],
                             "param_groups": meta.pop("optimiser_groups")}
        meta["options"]["hidden"]
    except (TypeError, KeyError, ValueError):
        raise CheckpointError(f"{path}: not a checkpoint of this trainer") from None
    return meta


def network_from_checkpoint(state, path="checkpoint"):
    try:
        network = Network(int(state["options"]["hidden"]))
        network.load_state_dict(state["model"])
    except (KeyError, RuntimeError, ValueError, TypeError) as error:
        raise CheckpointError(f"{path}: its network cannot be rebuilt ({error})") from error
    return network


def export_checkpoint(checkpoint_path, net_path):
    """Quantises a checkpoint's network into the engine's file; returns the QuantisedNet."""
    state = load_checkpoint(checkpoint_path)
    network = network_from_checkpoint(state, checkpoint_path)
    try:
        net = network.quantised()
    except ValueError as error:
        raise CheckpointError(f"{checkpoint_path}: {error}") from error
    netfile.write_net(net_path, net)
    return net
