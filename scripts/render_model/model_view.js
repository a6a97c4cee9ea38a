// Draws one building's surfaces (rings of x, y, z, metres) with three.js:
// window.drawModel(model, view) with view "oblique" (from the south-west,
// 35 degrees up) or "top" (north up). Both use an orthographic camera so a
// metre is the same length anywhere in the picture and the scale bar holds.
import * as THREE from "three";

const colours = {
  roof: 0xcc2b2b,
  wall: 0xdcdcdc,
  ground: 0x4d4d4d,
  other: 0x5b8fd6,
  inside: 0xf2d21b,  // back faces: seen only through a gap or on a flipped polygon
};

const width = window.innerWidth;
const height = window.innerHeight;
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(1);
renderer.setSize(width, height);
renderer.setClearColor(0xffffff, 1);
document.body.appendChild(renderer.domElement);

// Newell's normal of a ring: robust for non-convex and slightly non-planar rings.
function newellNormal(ring) {
  const n = new THREE.Vector3();
  for (let i = 0; i < ring.length; i++) {
    const a = ring[i];
    const b = ring[(i + 1) % ring.length];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return n;
}

// Triangles of one polygon (outer ring, then holes), each wound like the
// outer ring, as a flat list of Vector3; null for a polygon without area.
function triangulate(rings) {
  const normal = newellNormal(rings[0]);
  if (normal.length() < 1e-9) return null;
  normal.normalize();
  // A right-handed basis (u, v, normal) keeps the rings' turning in 2D.
  const helper = Math.abs(normal.z) < 0.9 ? new THREE.Vector3(0, 0, 1) : new THREE.Vector3(1, 0, 0);
  const u = new THREE.Vector3().crossVectors(helper, normal).normalize();
  const v = new THREE.Vector3().crossVectors(normal, u);
  const flat = rings.map((ring) => ring.map((p) => new THREE.Vector2(p.dot(u), p.dot(v))));
  const points = rings.flat();
  const faces = THREE.ShapeUtils.triangulateShape(flat[0], flat.slice(1));
  const out = [];
  const ab = new THREE.Vector3();
  const ac = new THREE.Vector3();
  for (const [i, j, k] of faces) {
    const [a, b, c] = [points[i], points[j], points[k]];
    ab.subVectors(b, a);
    ac.subVectors(c, a);
    if (ab.cross(ac).dot(normal) < 0) out.push(a, c, b);
    else out.push(a, b, c);
  }
  return out;
}

function niceLength(metres) {
  const power = Math.pow(10, Math.floor(Math.log10(metres)));
  for (const step of [5, 2, 1]) if (step * power <= metres) return step * power;
  return power;
}

window.drawModel = (model, view) => {
  // Local coordinates about the building's centre: national-grid values
  // lose centimetres in the GPU's 32-bit floats.
  const lo = [Infinity, Infinity, Infinity];
  const hi = [-Infinity, -Infinity, -Infinity];
  for (const surface of model.surfaces) {
    for (const ring of surface.rings) {
      for (const p of ring) {
        for (let k = 0; k < 3; k++) {
          lo[k] = Math.min(lo[k], p[k]);
          hi[k] = Math.max(hi[k], p[k]);
        }
      }
    }
  }
  const origin = [(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, lo[2]];
  const local = (p) => new THREE.Vector3(p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]);

  const scene = new THREE.Scene();
  const triangles = { roof: [], wall: [], ground: [], other: [] };
  const edges = [];
  const counts = { roof: 0, wall: 0, ground: 0, other: 0 };
  let degenerate = 0;
  for (const surface of model.surfaces) {
    const rings = surface.rings.map((ring) => {
      const r = ring.map(local);
      if (r.length > 1 && r[0].equals(r[r.length - 1])) r.pop();
      return r;
    });
    counts[surface.kind] += 1;
    for (const ring of rings) {
      for (let i = 0; i < ring.length; i++) edges.push(ring[i], ring[(i + 1) % ring.length]);
    }
    const t = rings[0].length >= 3 ? triangulate(rings) : null;
    if (t === null) degenerate += 1;
    else triangles[surface.kind].push(...t);
  }

  for (const kind of Object.keys(triangles)) {
    if (triangles[kind].length === 0) continue;
    const geometry = new THREE.BufferGeometry().setFromPoints(triangles[kind]);
    geometry.computeVertexNormals();  // not indexed: one normal per triangle
    const offset = { polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 };
    scene.add(new THREE.Mesh(geometry, new THREE.MeshLambertMaterial({ color: colours[kind], side: THREE.FrontSide, ...offset })));
    scene.add(new THREE.Mesh(geometry, new THREE.MeshLambertMaterial({ color: colours.inside, side: THREE.BackSide, ...offset })));
  }
  const lines = new THREE.BufferGeometry().setFromPoints(edges);
  scene.add(new THREE.LineSegments(lines, new THREE.LineBasicMaterial({ color: 0x111111 })));

  scene.add(new THREE.HemisphereLight(0xffffff, 0xb0b0b0, 1.2));
  const sun = new THREE.DirectionalLight(0xffffff, 1.4);
  sun.position.set(-0.5, -0.9, 0.8);  // from the south-south-west: slopes facing it brighter
  scene.add(sun);

  const centre = new THREE.Vector3(0, 0, (hi[2] - lo[2]) / 2);
  const span = Math.max(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1);
  const camera = new THREE.OrthographicCamera(-1, 1, 1, -1, 0.01, 20 * span);
  if (view === "top") {
    camera.up.set(0, 1, 0);
    camera.position.set(centre.x, centre.y, centre.z + 5 * span);
  } else {
    const up = (35 * Math.PI) / 180;
    const towards = new THREE.Vector3(-Math.SQRT1_2 * Math.cos(up), -Math.SQRT1_2 * Math.cos(up), Math.sin(up));
    camera.up.set(0, 0, 1);
    camera.position.copy(centre).addScaledVector(towards, 5 * span);
  }
  camera.lookAt(centre);
  camera.updateMatrixWorld();
  // Fit the frame to the building's box as the camera sees it, with a margin.
  const view3 = [];
  for (const x of [lo[0], hi[0]]) for (const y of [lo[1], hi[1]]) for (const z of [lo[2], hi[2]]) {
    view3.push(local([x, y, z]).applyMatrix4(camera.matrixWorldInverse));
  }
  const minX = Math.min(...view3.map((p) => p.x));
  const maxX = Math.max(...view3.map((p) => p.x));
  const minY = Math.min(...view3.map((p) => p.y));
  const maxY = Math.max(...view3.map((p) => p.y));
  let halfW = ((maxX - minX) / 2) * 1.12;
  let halfH = ((maxY - minY) / 2) * 1.12 + 0.06 * (maxX - minX);  // room for the caption and legend
  if (halfW / halfH < width / height) halfW = (halfH * width) / height;
  else halfH = (halfW * height) / width;
  const cx = (minX + maxX) / 2;
  const cy = (minY + maxY) / 2;
  Object.assign(camera, { left: cx - halfW, right: cx + halfW, top: cy + halfH, bottom: cy - halfH });
  camera.updateProjectionMatrix();
  renderer.render(scene, camera);

  const pixelsPerMetre = width / (2 * halfW);
  const bar = niceLength((0.2 * width) / pixelsPerMetre);
  document.getElementById("scale").innerHTML =
    `<div style="width:${Math.round(bar * pixelsPerMetre)}px"></div>${bar} m`;
  document.getElementById("north").innerHTML = view === "top" ? "&#8593;<br>N" : "";
  const surfaceWords = ["roof", "wall", "ground", "other"]
    .filter((k) => counts[k] > 0)
    .map((k) => `${counts[k]} ${k}`)
    .join(", ");
  const where = view === "top" ? "top view" : "from the south-west, 35\u00b0 up";
  document.getElementById("caption").textContent =
    `${model.id} \u00b7 lod ${model.lod} \u00b7 ${surfaceWords} surfaces \u00b7 ${where}`;
  document.getElementById("legend").innerHTML = ["roof", "wall", "ground", "inside"]
    .map((k) => `<span style="background:#${colours[k].toString(16).padStart(6, "0")}"></span>${k === "inside" ? "back face" : k}`)
    .join("");
  return { counts, degenerate, triangles: Object.values(triangles).reduce((n, t) => n + t.length / 3, 0) };
};
window.modelViewReady = true;
