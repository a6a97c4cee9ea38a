// Reads one building of a CityJSON file (.city.json) or CityJSON Text
// Sequence (.city.jsonl) and returns its surfaces of one level of detail as
// plain rings of real-world coordinates (the transform applied), each with
// its semantic kind, so the page only has to draw them.
import { readFileSync } from "node:fs";

// Every geometry type nests its rings at a known depth below `boundaries`:
// a surface is a list of rings, a shell a list of surfaces, a solid a list
// of shells. Returns the surfaces (lists of rings) in file order together
// with their semantic value, walked in the same nesting.
function flattenSurfaces(geometry) {
  const depth = {
    MultiSurface: 0,
    CompositeSurface: 0,
    Solid: 1,
    MultiSolid: 2,
    CompositeSolid: 2,
  }[geometry.type];
  if (depth === undefined) return [];
  const values = geometry.semantics ? geometry.semantics.values : null;
  const out = [];
  const walk = (boundaries, vals, level) => {
    boundaries.forEach((item, i) => {
      const v = vals == null ? null : vals[i];
      if (level === 0) out.push({ rings: item, semantic: v });
      else walk(item, v, level - 1);
    });
  };
  walk(geometry.boundaries, values, depth);
  return out;
}

function kindOf(surfaceType) {
  switch (surfaceType) {
    case "RoofSurface":
      return "roof";
    case "WallSurface":
      return "wall";
    case "GroundSurface":
      return "ground";
    default:
      return "other";
  }
}

// The document's header (transform, vertices of a .city.json) and the city
// objects to choose from: all of a .city.json, or those of the first feature
// (or of the feature whose id is `id`) of a .city.jsonl.
function loadDocument(path, id) {
  const text = readFileSync(path, "utf8");
  let whole = null;
  try {
    whole = JSON.parse(text);
  } catch {
    // Not one JSON document: a sequence of lines.
  }
  if (whole !== null) {
    if (whole.type !== "CityJSON") throw new Error(`${path}: not a CityJSON document`);
    return { transform: whole.transform, vertices: whole.vertices || [], objects: whole.CityObjects || {} };
  }
  const lines = text.split("\n").filter((line) => line.trim() !== "");
  const first = JSON.parse(lines[0]);
  if (first.type !== "CityJSON") throw new Error(`${path}: its first line is no CityJSON header`);
  // A sequence: a header line, then one CityJSONFeature per line.
  for (const line of lines.slice(1)) {
    const feature = JSON.parse(line);
    if (feature.type !== "CityJSONFeature") continue;
    if (id === undefined || id in feature.CityObjects) {
      return { transform: first.transform, vertices: feature.vertices, objects: feature.CityObjects };
    }
  }
  throw new Error(id === undefined ? `${path}: no CityJSONFeature` : `${path}: no feature holds ${id}`);
}

// The building with id `id` (else the first object without parents) and its
// children's geometry of level of detail `lod`. Throws, naming the lods
// present, when it has none of that lod.
export function readBuilding(path, { id, lod = "2.2" } = {}) {
  const doc = loadDocument(path, id);
  const objects = doc.objects;
  let buildingId = id;
  if (buildingId === undefined) {
    buildingId = Object.keys(objects).find((key) => !objects[key].parents || objects[key].parents.length === 0);
  }
  if (buildingId === undefined || !(buildingId in objects)) {
    throw new Error(`${path}: no city object ${buildingId === undefined ? "at all" : buildingId}`);
  }
  const parts = [buildingId, ...(objects[buildingId].children || [])].filter((key) => key in objects);
  const scale = doc.transform ? doc.transform.scale : [1, 1, 1];
  const translate = doc.transform ? doc.transform.translate : [0, 0, 0];
  const position = (index) => {
    const v = doc.vertices[index];
    if (v === undefined) throw new Error(`${path}: vertex ${index} out of range`);
    return [0, 1, 2].map((k) => v[k] * scale[k] + translate[k]);
  };
  const lods = new Set();
  const surfaces = [];
  for (const key of parts) {
    for (const geometry of objects[key].geometry || []) {
      lods.add(`${geometry.lod} (${geometry.type})`);
      if (String(geometry.lod) !== String(lod)) continue;
      const semanticSurfaces = geometry.semantics ? geometry.semantics.surfaces : [];
      for (const { rings, semantic } of flattenSurfaces(geometry)) {
        const type = semantic == null ? null : semanticSurfaces[semantic].type;
        surfaces.push({ kind: kindOf(type), rings: rings.map((ring) => ring.map(position)) });
      }
    }
  }
  if (surfaces.length === 0) {
    const present = lods.size === 0 ? "no geometry" : `lods ${[...lods].join(", ")}`;
    throw new Error(`${path}: ${buildingId} has no surface of lod ${lod} (it has ${present})`);
  }
  return { id: buildingId, lod: String(lod), surfaces };
}
