#!/usr/bin/python3
"""Makes the text detector and recogniser loadable by Debian 12's OpenCV 4.6.

Usage: convert_ocr_models.py DETECTOR.onnx RECOGNISER.onnx OUTPUT_DIR

Writes OUTPUT_DIR/text_detector.onnx and OUTPUT_DIR/text_recognizer.onnx.
What OpenCV 4.6's importer needs:
- the detector's Clip takes its bounds as inputs; the importer reads them as
  attributes only;
- the recogniser's input size is dynamic and the graph takes its own shape
  apart to rebuild it (Shape, Cast, Slice, Concat into Reshape). The importer
  fixes the shape of many layers when it imports a network, so the graph is
  folded at one width and rewritten to run at any: every Reshape target (and
  every Squeeze, a fixed Reshape to the importer) gets -1 where the width
  shows, and each mean over the last axis (a fixed pooling to the importer)
  becomes a product with a column of 1/C;
- the recogniser's layer norms scale by a [C] weight that the importer cannot
  broadcast over [1, T, C]: the scale becomes a product with the diagonal
  matrix of the weight, which holds for any T.
And what makes both run faster with the same results: scalar affines next
to a convolution are folded into it, and each depthwise 5x5 convolution, which
OpenCV 4.6 runs some twenty times slower than a 3x3 one, becomes four 3x3
ones summed.
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


def diagonal_scale_weights(model, values, shapes):
    """A Mul of a [.., T, C] tensor by a [C] weight becomes a MatMul by the
    weight's diagonal matrix."""
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


def means_as_products(model, values, shapes):
    """A ReduceMean over the last axis of a [.., C] tensor becomes a MatMul by
    a [C, 1] column of 1/C: the importer fixes the shape of a ReduceMean."""
    for node in model.graph.node:
        if node.op_type != "ReduceMean" or attribute(node, "keepdims", 1) != 1:
            continue
        shape = shapes[node.input[0]]
        if list(attribute(node, "axes")) not in ([-1], [len(shape) - 1]):
            continue
        column = node.output[0] + "_mean"
        values[column] = np.full((shape[-1], 1), 1.0 / shape[-1], dtype=np.float32)
        node.op_type = "MatMul"
        del node.attribute[:]
        node.input.append(column)


def folded(source, width):
    """The recogniser for one input width, its shape chains folded."""
    model = onnx.load(source)
    values = constants_of(model.graph)
    fix_input(model, [1, 3, 48, width])
    fold(model, values)
    return model, values


def width_mask(here, there, name):
    """A shape with -1 in the one place where the two widths' shapes differ."""
    mask = [int(a) if a == b else -1 for a, b in zip(here, there)]
    if mask.count(-1) > 1:
        sys.exit(f"{name}: more than one dimension follows the input's width")
    return mask


def shapes_for_any_width(model, values, shapes, other, other_values, other_shapes):
    """Every Reshape target and Squeeze (a Reshape to the importer, with a
    fixed shape) becomes a Reshape to a target with -1 where the two foldings,
    at different widths, differ."""
    for node, twin in zip(model.graph.node, other.graph.node):
        if node.op_type == "Reshape":
            here, there = values[node.input[1]], other_values[twin.input[1]]
            del node.input[1:]
        elif node.op_type == "Squeeze":
            here, there = shapes[node.output[0]], other_shapes[twin.output[0]]
            node.op_type = "Reshape"
            del node.attribute[:]
        else:
            continue
        target = node.output[0] + "_any_width"
        values[target] = np.array(width_mask(here, there, node.output[0]), dtype=np.int64)
        node.input.append(target)


def scalar(values, name):
    return float(values[name].reshape(-1)[0]) if name in values and values[name].size == 1 else None


def scalar_operand(node, values):
    """The other input and the scalar constant of a two-input node, or None."""
    for i in (0, 1):
        value = scalar(values, node.input[i])
        if value is not None and node.input[1 - i] not in values:
            return node.input[1 - i], value
    return None


def consumers(model):
    users = {}
    for node in model.graph.node:
        for name in node.input:
            users.setdefault(name, []).append(node)
    return users


def has_padding(conv):
    return any(attribute(conv, "pads", [0])) or attribute(conv, "auto_pad", b"NOTSET") not in (b"NOTSET", "NOTSET")


def convolution_bias(conv, values):
    if len(conv.input) < 3:
        out_channels = values[conv.input[1]].shape[0]
        name = conv.output[0] + "_bias"
        values[name] = np.zeros(out_channels, dtype=np.float32)
        conv.input.append(name)
    return conv.input[2]


def affine_into_convolutions(model, values):
    """a * y + b of scalars folded into the convolution whose output y is:
    its weights times a, its bias times a plus b. And a * x + b feeding only
    a convolution without padding folded into it: its weights times a, each
    output's bias plus b times the sum of its weights. Both hold exactly."""
    changed = True
    while changed:
        changed = False
        users = consumers(model)
        producer = {o: n for n in model.graph.node for o in n.output}
        for node in model.graph.node:
            if node.op_type not in ("Mul", "Add"):
                continue
            operand = scalar_operand(node, values)
            if not operand:
                continue
            source, value = operand
            conv = producer.get(source)
            if conv is not None and conv.op_type == "Conv" and len(users.get(source, [])) == 1:
                weights, bias = conv.input[1], convolution_bias(conv, values)
                if node.op_type == "Mul":
                    values[weights] = (values[weights] * value).astype(np.float32)
                    values[bias] = (values[bias] * value).astype(np.float32)
                else:
                    values[bias] = (values[bias] + value).astype(np.float32)
                conv.output[0] = node.output[0]
            else:
                after = users.get(node.output[0], [])
                if len(after) != 1 or after[0].op_type != "Conv" or after[0].input[0] != node.output[0] or has_padding(after[0]):
                    continue
                conv = after[0]
                weights, bias = conv.input[1], convolution_bias(conv, values)
                if node.op_type == "Mul":
                    values[weights] = (values[weights] * value).astype(np.float32)
                else:
                    values[bias] = (values[bias] + value * values[weights].sum(axis=(1, 2, 3))).astype(np.float32)
                conv.input[0] = source
            model.graph.node.remove(node)
            changed = True
            break


def corner_of(weights, rows, columns):
    """The 3x3 corner of [C, 1, 5, 5] depthwise weights that starts at
    (rows, columns); the middle row and column belong to the corner that
    starts at 0, so that every weight is in one corner only."""
    corner = weights[:, :, rows:rows + 3, columns:columns + 3].copy()
    if rows:
        corner[:, :, 0, :] = 0
    if columns:
        corner[:, :, :, 0] = 0
    return corner


def depthwise_in_corners(model, values):
    """A depthwise 5x5 convolution (padding 2, no dilation) becomes the sum of
    four 3x3 ones, each holding a corner of its weights and padded so that it
    reads the same pixels: the engine runs 3x3 depthwise convolutions some
    twenty times faster than 5x5 ones."""
    nodes = []
    for node in model.graph.node:
        weights = values.get(node.input[1]) if node.op_type == "Conv" and len(node.input) > 1 else None
        if (weights is None or weights.shape[1:] != (1, 5, 5) or attribute(node, "group", 1) != weights.shape[0]
                or list(attribute(node, "pads", [0])) != [2, 2, 2, 2]
                or list(attribute(node, "dilations", [1, 1])) != [1, 1]):
            nodes.append(node)
            continue
        corners = []
        for rows in (0, 2):
            for columns in (0, 2):
                name = f"{node.output[0]}_corner_{rows}{columns}"
                values[name + "_weights"] = corner_of(weights, rows, columns)
                inputs = [node.input[0], name + "_weights"] + (list(node.input[2:]) if not rows and not columns else [])
                nodes.append(helper.make_node(
                    "Conv", inputs, [name], group=weights.shape[0], kernel_shape=[3, 3],
                    pads=[2 - rows, 2 - columns, rows, columns], strides=list(attribute(node, "strides", [1, 1]))))
                corners.append(name)
        nodes.append(helper.make_node("Sum", corners, [node.output[0]]))
    del model.graph.node[:]
    model.graph.node.extend(nodes)


def simplified(model, values):
    """The same network in fewer, faster layers."""
    affine_into_convolutions(model, values)
    depthwise_in_corners(model, values)
    store_constants(model.graph, values)


def convert_detector(source, target):
    model = onnx.load(source)
    values = constants_of(model.graph)
    for node in model.graph.node:
        if node.op_type == "Clip" and len(node.input) == 3:
            low, high = (float(values[n]) for n in node.input[1:])
            del node.input[1:]
            node.attribute.extend([helper.make_attribute("min", low), helper.make_attribute("max", high)])
    simplified(model, values)
    onnx.save(model, target)


def convert_recognizer(source, target):
    model, values = folded(source, 320)
    other, other_values = folded(source, 640)
    if [n.op_type for n in model.graph.node] != [n.op_type for n in other.graph.node]:
        sys.exit("the recogniser folds differently at another width")
    shapes, other_shapes = static_shapes(model), static_shapes(other)
    diagonal_scale_weights(model, values, shapes)
    means_as_products(model, values, shapes)
    shapes_for_any_width(model, values, shapes, other, other_values, other_shapes)
    simplified(model, values)
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
