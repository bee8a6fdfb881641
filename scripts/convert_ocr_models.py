#!/usr/bin/python3
"""Makes the text detector and recogniser loadable by Debian 12's OpenCV 4.6.

Usage: convert_ocr_models.py DETECTOR.onnx RECOGNISER.onnx OUTPUT_DIR WIDTH...

Writes OUTPUT_DIR/text_detector.onnx and one OUTPUT_DIR/text_recognizer_W.onnx
per recognition input width W. What OpenCV 4.6's importer needs:
- the detector's Clip takes its bounds as inputs; the importer reads them as
  attributes only;
- the recogniser's input size is dynamic and the graph takes its own shape
  apart to rebuild it (Shape, Cast, Slice, Concat into Reshape); the input is
  fixed to [1, 3, 48, W] and that chain folded into constants;
- the recogniser's layer norms scale by a [C] weight that the importer cannot
  broadcast over [1, T, C]: the weights are tiled to the full shape.
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


def tile_scale_weights(model, values):
    """A Mul of a tensor by a 1-D constant weight gets the weight tiled to the
    tensor's full shape."""
    shapes = static_shapes(model)
    for node in model.graph.node:
        if node.op_type != "Mul":
            continue
        for i, name in enumerate(node.input):
            other = node.input[1 - i]
            if name in values and values[name].ndim == 1 and values[name].size > 1 and other in shapes:
                full = shapes[other]
                if len(full) > 1 and full[-1] == values[name].size:
                    tiled = np.broadcast_to(values[name], full).copy()
                    tiled_name = name + "_tiled_" + "x".join(map(str, full))
                    values[tiled_name] = tiled
                    node.input[i] = tiled_name


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


def convert_recognizer(source, target, width):
    model = onnx.load(source)
    values = constants_of(model.graph)
    fix_input(model, [1, 3, 48, width])
    fold(model, values)
    tile_scale_weights(model, values)
    store_constants(model.graph, values)
    out = model.graph.output[0].type.tensor_type.shape.dim
    for d in out:
        d.Clear()
    onnx.save(model, target)


def main(argv):
    if len(argv) < 5:
        sys.exit(__doc__)
    detector, recognizer, out_dir = argv[1:4]
    os.makedirs(out_dir, exist_ok=True)
    convert_detector(detector, os.path.join(out_dir, "text_detector.onnx"))
    for width in argv[4:]:
        convert_recognizer(recognizer, os.path.join(out_dir, f"text_recognizer_{int(width)}.onnx"), int(width))


if __name__ == "__main__":
    main(sys.argv)
