#!/usr/bin/python3
"""Makes the text detector and recogniser loadable by Debian 12's OpenCV 4.6.

Usage: convert_ocr_models.py DETECTOR.onnx RECOGNISER.onnx OUTPUT_DIR

Writes OUTPUT_DIR/text_detector.onnx and OUTPUT_DIR/text_recognizer.onnx.
What OpenCV 4.6's importer needs:
- the detector's Clip takes its bounds as inputs; the importer reads them as
  attributes only;
- the recogniser's input size is dynamic and the graph takes its own shape
  apart to rebuild it (Shape, Cast, Slice, Concat into Reshape). The importer
  fixes every shape when it imports a network, so the recogniser is written
  for an input of [1, 3, 48, W] with W a number that the program replaces
  before each import: the chain is folded into constants, and every Reshape
  target that depends on W gets -1 in that place (and 0, the input's own
  size, in the place of the batch);
- the recogniser's layer norms scale by a [C] weight that the importer cannot
  broadcast over [1, T, C]: the scale becomes a product with the diagonal
  matrix of the weight, which holds for any T.
Runs with Debian's python3-onnx and numpy only.
"""

import os
import sys

import numpy as np
import onnx
from onnx import helper, numpy_helper, shape_inference


def constants_of(graph):
    """Every Constant node's value, by output name; the nodes are removed."""
    values = {t.name: numpy_helper.to_array(t) for t in graph.initializer}
    kept = []
    for node in graph.node:
        if node.op_type == "Constant" and len(node.attribute) == 1 and node.attribute[0].name == "value":
            values[node.output[0]] = numpy_helper.to_array(node.attribute[0].t)
        else:
            kept.append(node)
    del graph.node[:]
    graph.node.extend(kept)
    return values


def store_constants(graph, values):
    """The values as the graph's initializers, only those still used."""
    used = {name for node in graph.node for name in node.input}
    del graph.initializer[:]
    for name, value in values.items():
        if name in used:
            graph.initializer.append(numpy_helper.from_array(np.asarray(value), name))


def attribute(node, name, default=None):
    for a in node.attribute:
        if a.name == name:
            return helper.get_attribute_value(a)
    return default


def sliced(data, node, inputs):
    if len(inputs) > 1:  # opset 10 and later: starts, ends, axes, steps as inputs
        starts, ends = inputs[1], inputs[2]
        axes = inputs[3] if len(inputs) > 3 else range(len(starts))
        steps = inputs[4] if len(inputs) > 4 else [1] * len(starts)
    else:
        starts, ends = attribute(node, "starts"), attribute(node, "ends")
        axes = attribute(node, "axes", list(range(len(starts))))
        steps = [1] * len(starts)
    index = [slice(None)] * data.ndim
    for s, e, a, st in zip(starts, ends, axes, steps):
        index[int(a)] = slice(int(s), int(e), int(st))
    return data[tuple(index)]


def evaluate(node, inputs):
    """The node's output for constant inputs, or None for an op not folded."""
    op = node.op_type
    if op == "Cast":
        return inputs[0].astype(onnx.mapping.TENSOR_TYPE_TO_NP_TYPE[attribute(node, "to")])
    if op == "Slice":
        return sliced(inputs[0], node, inputs)
    if op == "Concat":
        return np.concatenate(inputs, axis=attribute(node, "axis"))
    if op == "Squeeze":
        return np.squeeze(inputs[0], axis=tuple(attribute(node, "axes")))
    if op == "Unsqueeze":
        out = inputs[0]
        for a in sorted(attribute(node, "axes")):
            out = np.expand_dims(out, a)
        return out
    if op == "Gather":
        return np.take(inputs[0], inputs[1], axis=attribute(node, "axis", 0))
    if op == "Reshape":
        return inputs[0].reshape(inputs[1])
    binary = {"Add": np.add, "Sub": np.subtract, "Mul": np.multiply}
    if op in binary:
        return binary[op](inputs[0], inputs[1]).astype(inputs[0].dtype)
    if op == "Div":
        if np.issubdtype(inputs[0].dtype, np.integer):
            return (inputs[0] // inputs[1]).astype(inputs[0].dtype)
        return (inputs[0] / inputs[1]).astype(inputs[0].dtype)
    return None


def static_shapes(model):
    inferred = shape_inference.infer_shapes(model)
    shapes = {}
    for vi in list(inferred.graph.value_info) + list(inferred.graph.input) + list(inferred.graph.output):
        dims = vi.type.tensor_type.shape.dim
        if vi.type.tensor_type.HasField("shape") and all(d.HasField("dim_value") for d in dims):
            shapes[vi.name] = [d.dim_value for d in dims]
    return shapes


def fold(model, values):
    """Folds Shape nodes of static tensors and everything computed from
    constants alone, until nothing changes."""
    graph = model.graph
    while True:
        store_constants(graph, values)
        shapes = static_shapes(model)
        changed = False
        kept = []
        for node in graph.node:
            result = None
            if node.op_type == "Shape" and node.input[0] in shapes:
                result = np.array(shapes[node.input[0]], dtype=np.int64)
            elif node.input and all(name in values for name in node.input if name):
                result = evaluate(node, [values[name] for name in node.input if name])
            if result is None:
                kept.append(node)
            else:
                values[node.output[0]] = np.asarray(result)
                changed = True
        del graph.node[:]
        graph.node.extend(kept)
        if not changed:
            return


def fix_input(model, shape):
    dims = model.graph.input[0].type.tensor_type.shape.dim
    for d, v in zip(dims, shape):
        d.Clear()
        d.dim_value = v


def diagonal_scale_weights(model, values):
    """A Mul of a [.., T, C] tensor by a [C] weight becomes a MatMul by the
    weight's diagonal matrix."""
    shapes = static_shapes(model)
    for node in model.graph.node:
        if node.op_type != "Mul":
            continue
        for i, name in enumerate(node.input):
            other = node.input[1 - i]
            if name in values and values[name].ndim == 1 and values[name].size > 1 and other in shapes:
                full = shapes[other]
                if len(full) == 3 and full[-1] == values[name].size:
                    diagonal = name + "_diagonal"
                    values[diagonal] = np.diag(values[name]).astype(values[name].dtype)
                    node.op_type = "MatMul"
                    node.input[0], node.input[1] = other, diagonal
                    break


def folded(source, width, batch):
    """The recogniser for one input shape, its shape chains folded."""
    model = onnx.load(source)
    values = constants_of(model.graph)
    fix_input(model, [batch, 3, 48, width])
    fold(model, values)
    return model, values


def reshape_masks(model, values, other, other_values):
    """Every Reshape target that differs between the two foldings (one at
    another width and batch) gets -1 where the width shows and 0 at the
    batch."""
    for node, twin in zip(model.graph.node, other.graph.node):
        if node.op_type != "Reshape":
            continue
        here, there = values[node.input[1]], other_values[twin.input[1]]
        mask = [int(a) if a == b else (0 if i == 0 else -1) for i, (a, b) in enumerate(zip(here, there))]
        if mask.count(-1) > 1:
            sys.exit(f"{node.output[0]}: more than one dimension follows the input's width")
        name = node.input[1] + "_any_width"
        values[name] = np.array(mask, dtype=np.int64)
        node.input[1] = name


def convert_detector(source, target):
    model = onnx.load(source)
    values = constants_of(model.graph)
    for node in model.graph.node:
        if node.op_type == "Clip" and len(node.input) == 3:
            low, high = (float(values[n]) for n in node.input[1:])
            del node.input[1:]
            node.attribute.extend([helper.make_attribute("min", low), helper.make_attribute("max", high)])
    store_constants(model.graph, values)
    onnx.save(model, target)


def convert_recognizer(source, target):
    model, values = folded(source, 320, 1)
    other, other_values = folded(source, 640, 2)
    if [n.op_type for n in model.graph.node] != [n.op_type for n in other.graph.node]:
        sys.exit("the recogniser folds differently at another width")
    reshape_masks(model, values, other, other_values)
    store_constants(model.graph, values)
    diagonal_scale_weights(model, values)
    store_constants(model.graph, values)
    del model.graph.value_info[:]
    for d in model.graph.output[0].type.tensor_type.shape.dim:
        d.Clear()
    onnx.save(model, target)


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    detector, recognizer, out_dir = argv[1:4]
    os.makedirs(out_dir, exist_ok=True)
    convert_detector(detector, os.path.join(out_dir, "text_detector.onnx"))
    convert_recognizer(recognizer, os.path.join(out_dir, "text_recognizer.onnx"))


if __name__ == "__main__":
    main(sys.argv)
