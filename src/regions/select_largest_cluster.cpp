#include "regions/select_largest_cluster.h"

#include <cstddef>
#include <vector>

#include "points/face_ring.h"

namespace roofplanes {
namespace {

constexpr int kUnreached = -1;
constexpr int kNoClusterSeed = -2;

// Applies the labelling rules to every on-plane triangle around v: a reached
// corner pulls the unreached one into cluster n; two unreached corners join
// together (c first, then e). When start_allowed is set (v is a seed) and v
// is not yet in cluster n, two unreached corners first start cluster n + 1
// with v as its seed.
void label_faces_around(const PointTriangulation& triangulation, Vertex_handle v, bool start_allowed, int& n,
                        std::vector<VertexList>& clusters) {
  for_each_face_around(triangulation, v, [&](Face_handle f, Vertex_handle c, Vertex_handle e) {
    if (triangulation.is_infinite(f)) return;
    if (!c->info().on_plane() || !e->info().on_plane()) return;
    const int c_id = c->info().cluster_id();
    const int e_id = e->info().cluster_id();
    if (c_id == kUnreached && e_id == kUnreached) {
      if (start_allowed && v->info().cluster_id() != n) {
        ++n;
        clusters.resize(n);
        v->info().set_cluster_id(n);
        clusters[n - 1].push_back(v);
      }
      c->info().set_cluster_id(n);
      e->info().set_cluster_id(n);
      clusters[n - 1].push_back(c);
      clusters[n - 1].push_back(e);
    } else if (n == 0) {
      // No cluster yet: a label 0 met here belongs to no cluster of this call.
    } else if (c_id == kUnreached && e_id == n) {
      c->info().set_cluster_id(n);
      clusters[n - 1].push_back(c);
    } else if (c_id == n && e_id == kUnreached) {
      e->info().set_cluster_id(n);
      clusters[n - 1].push_back(e);
    }
  });
}

}  // namespace

void select_largest_cluster(VertexList& points, PointTriangulation& triangulation, int& pass_number,
                            Report& report) {
  std::vector<VertexList> clusters;  // cluster at position k carries label k + 1
  int n = 0;

  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vertex_handle s = points[i];
    if (s->info().cluster_id() != kUnreached) continue;
    s->info().set_cluster_id(kNoClusterSeed);
    const int clusters_before = n;
    label_faces_around(triangulation, s, true, n, clusters);

    if (n > 0)
      report.console("There are ", n, " clusters. ", "The size of cluster ", n - 1, " is ", clusters[n - 1].size());
    else
      report.console("There are ", n, " clusters. ", "The size of cluster ", n - 1, " is ");

    // A seed that starts no cluster finds nothing that the complete growth of
    // the newest cluster has not already taken, so only a new cluster grows.
    if (n == clusters_before) continue;
    for (std::size_t j = 1; j < clusters[n - 1].size(); ++j) {
      const Vertex_handle w = clusters[n - 1][j];
      label_faces_around(triangulation, w, false, n, clusters);
    }
  }

  const VertexList* best = nullptr;
  std::size_t best_size = 0;
  for (const VertexList& cluster : clusters) {
    if (cluster.size() >= best_size) {
      best = &cluster;
      best_size = cluster.size();
    }
  }

  for (const Vertex_handle& v : points) v->info().set_cluster_id(kUnreached);
  points.clear();
  if (best != nullptr) {
    for (const Vertex_handle& v : *best) v->info().set_cluster_id(pass_number);
    points = *best;
  }
}

}  // namespace roofplanes
