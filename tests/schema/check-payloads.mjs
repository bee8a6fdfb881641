// Validates Wendrel payload lines against docs/payload.schema.json with ajv
// (JSON Schema 2020-12, strict mode), and checks that the schema rejects a
// table of bad payloads.
//
//   node check-payloads.mjs --schema FILE
//       [--payloads FILE]...       every payload line in FILE must validate
//       [--e2e-payloads FILE]...   the same, for the end-to-end expectations,
//                                  whose readAt is left empty
//       [--inspect PROGRAM --panels FILE]
//                                  each panel of FILE ([{name, texts}], or one
//                                  panel's texts [string, ...]) read
//                                  with `PROGRAM parse` must give a payload
//                                  that validates
//       [--invalid FILE]           each payload of FILE ([{name, payload}])
//                                  must be rejected
//
// A payload line is "WENDREL_V1:" and a JSON object up to the last "}" on the
// same line; a prefix with no "}" after it on its line is not a payload.
// Every --payloads file must hold at least one payload.
// Exits 0 when everything holds, 1 with every failure listed otherwise, and
// 77 (which CTest reports as skipped) when ajv is not installed.

import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";

// ajv lives in tests/schema/node_modules, which a fresh checkout lacks: the
// check is then skipped with the way to install it, not failed.
let Ajv2020;
try {
  ({ default: Ajv2020 } = await import("ajv/dist/2020.js"));
} catch (error) {
  if (error.code !== "ERR_MODULE_NOT_FOUND") throw error;
  console.error("ajv is missing: run scripts/setup-debian.sh, or npm ci --prefix tests/schema");
  process.exit(77);
}

const prefix = "WENDREL_V1:";
// The end-to-end cases check readAt on their own; their expectations leave it empty.
const sampleReadAt = "2026-12-06T08:51:08Z";

function parseArguments(argv) {
  const options = { payloads: [], e2ePayloads: [], panels: [], invalid: [] };
  const lists = { "--payloads": "payloads", "--e2e-payloads": "e2ePayloads", "--panels": "panels", "--invalid": "invalid" };
  for (let i = 0; i < argv.length; i += 2) {
    const [name, value] = [argv[i], argv[i + 1]];
    if (value === undefined) throw new Error(`${name} needs a value`);
    if (name === "--schema") options.schema = value;
    else if (name === "--inspect") options.inspect = value;
    else if (lists[name]) options[lists[name]].push(value);
    else throw new Error(`unknown argument ${name}`);
  }
  if (!options.schema) throw new Error("--schema is required");
  if (options.panels.length > 0 && !options.inspect) throw new Error("--panels needs --inspect");
  return options;
}

// The payloads of a text, each as {where, json}; json is undefined when the
// text after the prefix is not JSON.
function payloadsIn(text, file) {
  const found = [];
  text.split("\n").forEach((line, index) => {
    const at = line.indexOf(prefix + "{");
    const end = line.lastIndexOf("}");
    if (at < 0 || end < at) return;
    let json;
    try {
      json = JSON.parse(line.slice(at + prefix.length, end + 1));
    } catch {
      json = undefined;
    }
    found.push({ where: `${file}:${index + 1}`, json });
  });
  return found;
}

// A panels file is a table [{name, texts}] or one panel's texts on their own.
function panelsIn(data, file) {
  const oneText = Array.isArray(data) && data.every((item) => typeof item === "string");
  return oneText ? [{ name: "the panel", texts: data }] : data;
}

function main() {
  const options = parseArguments(process.argv.slice(2));
  const ajv = new Ajv2020({ strict: true, allErrors: true });
  const validate = ajv.compile(JSON.parse(readFileSync(options.schema, "utf8")));
  const failures = [];
  let checked = 0;

  const expectValid = (where, json) => {
    checked += 1;
    if (json === undefined) failures.push(`${where}: the text after ${prefix} is not JSON`);
    else if (!validate(json)) failures.push(`${where}: rejected: ${ajv.errorsText(validate.errors)}`);
  };

  const checkFile = (file, fillReadAt) => {
    const found = payloadsIn(readFileSync(file, "utf8"), file);
    if (found.length === 0) failures.push(`${file}: holds no payload line`);
    for (const { where, json } of found) {
      if (fillReadAt && json && json.readAt === "") json.readAt = sampleReadAt;
      expectValid(where, json);
    }
  };
  options.payloads.forEach((file) => checkFile(file, false));
  options.e2ePayloads.forEach((file) => checkFile(file, true));

  for (const file of options.panels) {
    for (const panel of panelsIn(JSON.parse(readFileSync(file, "utf8")), file)) {
      const where = `${file}: ${panel.name}`;
      let output;
      try {
        output = execFileSync(options.inspect, ["parse", "--date", sampleReadAt], {
          input: JSON.stringify(panel.texts),
          stdio: ["pipe", "pipe", "pipe"],
        }).toString();
      } catch (error) {
        failures.push(`${where}: parse failed: ${error.stderr}`);
        continue;
      }
      const found = payloadsIn(output, where);
      if (found.length !== 1) failures.push(`${where}: parse printed ${found.length} payload lines`);
      found.forEach(({ json }) => expectValid(where, json));
    }
  }

  for (const file of options.invalid) {
    for (const bad of JSON.parse(readFileSync(file, "utf8"))) {
      checked += 1;
      if (validate(bad.payload)) failures.push(`${file}: ${bad.name}: accepted`);
    }
  }

  failures.forEach((failure) => console.error(`FAIL ${failure}`));
  console.log(`${checked} payloads checked, ${failures.length} failures`);
  process.exit(failures.length === 0 ? 0 : 1);
}

try {
  main();
} catch (error) {
  console.error(`error: ${error.message}`);
  process.exit(2);
}
