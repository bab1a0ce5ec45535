#include "worldedit/road/road_painter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Bands = ASP_WE_RoadBands;

// The noise that mixes the field's two colours: broad patches, and smaller ones over them.
const int kBroadCell = 192;
const int kSmallCell = 48;
// Kerb stripes are this many samples long.
const int kStripeSamples = 4;
// The asphalt of a kerbed bend ends this far inside the road, under the kerb.
const double kKerbOverlap = 4.0;
// The white edge lines, from the road's edge inwards.
const double kEdgeLineOuter = 13.0;
const double kEdgeLineInner = 20.0;
// How much the worn edge of the verge darkens the field, at most.
const double kShadeDepth = 0.15;
// The finish line's chequer, and the grid's boxes round each car's front.
const double kFinishSquare = 20.0;
const double kBoxLine = 3.0;
const double kBoxMargin = 12.0;
const double kBoxSide = 25.0;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x85ebca6bu;
    h ^= h >> 16;
    return h;
}

// A whole number from -amplitude to amplitude, one per pixel.
int Grain(int x, int y, uint32_t seed, int amplitude) {
    return amplitude > 0 ? static_cast<int>(Hash(x, y, seed) % (2 * amplitude + 1)) - amplitude : 0;
}

double Coverage(double edge, double d) {
    return std::clamp(edge - d + 0.5, 0.0, 1.0);
}

struct Colour {
    double r, g, b;
};

Colour Of(ASP_WE_Rgb c, double shift = 0.0) {
    return {c.r + shift, c.g + shift, c.b + shift};
}

Colour Blend(Colour under, Colour over, double a) {
    return {under.r + (over.r - under.r) * a, under.g + (over.g - under.g) * a,
            under.b + (over.b - under.b) * a};
}

uint8_t Byte(double v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

void Put(std::vector<uint8_t>& ground, size_t pixel, Colour c) {
    ground[3 * pixel] = Byte(c.r);
    ground[3 * pixel + 1] = Byte(c.g);
    ground[3 * pixel + 2] = Byte(c.b);
}

double DistanceToSegment(Point p, Point a, Point b, double& t) {
    const Point ab = b - a;
    const double squared = Dot(ab, ab);
    t = squared > 0.0 ? std::clamp(Dot(p - a, ab) / squared, 0.0, 1.0) : 0.0;
    return Length(a + ab * t - p);
}

}  // namespace

ASP_WE_TrackPainter::ASP_WE_TrackPainter(const ASP_WE_RoadStyle& style, const ASP_WE_RoadTheme& theme,
                                         const ASP_WE_CentreLine& line, double width,
                                         const ASP_WE_RoadLayout& layout, uint32_t seed)
    : line(line),
      bands(width),
      seed(seed),
      field(theme.paint),
      field2(theme.paint2),
      verge(theme.verge),
      asphalt(style.Paint("asphalt")),
      kerb(style.Paint("kerb")),
      kerbStripe(style.Paint("kerbStripe")),
      edgeLine(style.Paint("edgeLine")),
      fieldVariation(style.Variation("fieldVariation")),
      asphaltVariation(style.Variation("asphaltVariation")) {
    for (size_t i = 0; i < line.Count(); ++i) {
        kerbed.push_back(std::fabs(line.Turn(static_cast<long>(i), Bands::kTurnSpan)) > Bands::kKerbTurn);
    }
    if (!line.Empty()) {
        const Mark finish = {line.At(0),
                             line.Tangent(0),
                             line.Right(0),
                             kFinishSquare,
                             bands.half,
                             style.Paint("finishLight"),
                             style.Paint("finishDark"),
                             kFinishSquare};
        marks.push_back(finish);
    }
    const ASP_WE_Rgb grid = style.Paint("grid");
    for (const ASP_WE_Placement& car : layout.grid) {
        const double angle = car.angle * M_PI / 180.0;
        const Point ahead(-std::sin(angle), -std::cos(angle));
        const Point right(-ahead.y, ahead.x);
        const double front = car.size.y / 2.0 + kBoxMargin;
        const double side = car.size.x / 2.0 + kBoxMargin;
        marks.push_back({car.centre + ahead * front, ahead, right, kBoxLine / 2.0, side, grid, grid, 0.0});
        for (double s : {-1.0, 1.0}) {
            marks.push_back({car.centre + ahead * (front - kBoxSide) + right * (s * side), ahead, right,
                             kBoxSide, kBoxLine / 2.0, grid, grid, 0.0});
        }
    }
}

void ASP_WE_TrackPainter::PaintTile(int column, int row, std::vector<uint8_t>& ground,
                                    std::vector<uint8_t>& surface, Scratch& scratch) const {
    const int x0 = column * kTile;
    const int y0 = row * kTile;
    // Every pixel of the ground is painted.
    ground.resize(static_cast<size_t>(kTile) * kTile * 3);
    surface.assign(static_cast<size_t>(kTile) * kTile, static_cast<uint8_t>(ASP_WE_Surface::kField));
    MeasureTile(x0, y0, scratch);
    PaintPixels(x0, y0, scratch, ground, surface);
    PaintMarks(x0, y0, ground);
}

void ASP_WE_TrackPainter::MeasureTile(int x0, int y0, Scratch& near) const {
    near.distance.assign(static_cast<size_t>(kTile) * kTile, std::numeric_limits<float>::infinity());
    near.sample.resize(static_cast<size_t>(kTile) * kTile);
    const double reach = bands.Reach();
    for (size_t i = 0; i < line.Count(); ++i) {
        const Point a = line.At(static_cast<long>(i));
        const Point b = line.At(static_cast<long>(i) + 1);
        if (std::max(a.x, b.x) + reach >= x0 && std::min(a.x, b.x) - reach < x0 + kTile &&
            std::max(a.y, b.y) + reach >= y0 && std::min(a.y, b.y) - reach < y0 + kTile) {
            RasterSegment(i, x0, y0, near);
        }
    }
}

// The pixels between the normals of the segment's two ends, within the road's reach: together the
// segments cover the whole band round the centre line without gaps, also on the outside of bends.
void ASP_WE_TrackPainter::RasterSegment(size_t i, int x0, int y0, Scratch& near) const {
    const long at = static_cast<long>(i);
    const Point a = line.At(at);
    const Point b = line.At(at + 1);
    const double reach = bands.Reach();
    const Point quad[4] = {a - line.Right(at) * reach, a + line.Right(at) * reach,
                           b + line.Right(at + 1) * reach, b - line.Right(at + 1) * reach};
    double top = quad[0].y, bottom = quad[0].y;
    for (const Point& q : quad) {
        top = std::min(top, q.y);
        bottom = std::max(bottom, q.y);
    }
    const int firstRow = std::max(y0, static_cast<int>(std::floor(top)));
    const int endRow = std::min(y0 + kTile, static_cast<int>(std::ceil(bottom)) + 1);
    for (int y = firstRow; y < endRow; ++y) {
        const double cy = y + 0.5;
        double left = std::numeric_limits<double>::infinity();
        double right = -left;
        for (int e = 0; e < 4; ++e) {
            const Point p = quad[e];
            const Point q = quad[(e + 1) % 4];
            if ((p.y - cy) * (q.y - cy) <= 0.0 && p.y != q.y) {
                const double x = p.x + (cy - p.y) * (q.x - p.x) / (q.y - p.y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        // No edge crosses this row's centre (a quad's top or bottom row): nothing to paint, and
        // the infinite bounds have no column.
        if (left > right) {
            continue;
        }
        const int firstColumn = std::max(x0, static_cast<int>(std::floor(left)));
        const int endColumn = std::min(x0 + kTile, static_cast<int>(std::ceil(right)) + 1);
        for (int x = firstColumn; x < endColumn; ++x) {
            double t = 0.0;
            const double d = DistanceToSegment(Point(x + 0.5, cy), a, b, t);
            const size_t pixel = static_cast<size_t>(y - y0) * kTile + static_cast<size_t>(x - x0);
            if (d < near.distance[pixel]) {
                near.distance[pixel] = static_cast<float>(d);
                near.sample[pixel] = static_cast<int32_t>(t < 0.5 ? i : (i + 1) % line.Count());
            }
        }
    }
}

void ASP_WE_TrackPainter::Noise(int x0, int y0, int cell, uint32_t salt, std::vector<float>& noise) const {
    // The lattice values round the tile, then each pixel between its four with a smooth step.
    const int lattice = kTile / cell + 3;
    std::vector<float> corner(static_cast<size_t>(lattice) * lattice);
    for (int j = 0; j < lattice; ++j) {
        for (int i = 0; i < lattice; ++i) {
            corner[static_cast<size_t>(j) * lattice + i] =
                static_cast<float>(Hash(x0 / cell + i, y0 / cell + j, seed + salt) & 0xffff) / 65535.0f;
        }
    }
    std::vector<float> weight(kTile);
    for (int k = 0; k < kTile; ++k) {
        const float f = static_cast<float>((x0 + k) % cell) / cell;
        weight[k] = f * f * (3.0f - 2.0f * f);
    }
    noise.resize(static_cast<size_t>(kTile) * kTile);
    for (int y = 0; y < kTile; ++y) {
        const int j = (y0 + y) / cell - y0 / cell;
        const float fy = static_cast<float>((y0 + y) % cell) / cell;
        const float wy = fy * fy * (3.0f - 2.0f * fy);
        for (int x = 0; x < kTile; ++x) {
            const int i = (x0 + x) / cell - x0 / cell;
            const float* c = &corner[static_cast<size_t>(j) * lattice + i];
            const float upper = c[0] + (c[1] - c[0]) * weight[x];
            const float lower = c[lattice] + (c[lattice + 1] - c[lattice]) * weight[x];
            noise[static_cast<size_t>(y) * kTile + x] = upper + (lower - upper) * wy;
        }
    }
}

void ASP_WE_TrackPainter::PaintPixels(int x0, int y0, Scratch& near, std::vector<uint8_t>& ground,
                                      std::vector<uint8_t>& surface) const {
    Noise(x0, y0, kBroadCell, 1, near.broad);
    Noise(x0, y0, kSmallCell, 2, near.small);
    const std::vector<float>& broad = near.broad;
    const std::vector<float>& small = near.small;
    const double half = bands.half;
    const double kerbOuter = half + Bands::kKerb;
    const double vergeOuter = bands.Verge();
    for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) {
            const size_t pixel = static_cast<size_t>(y) * kTile + x;
            const double n = 0.65 * broad[pixel] + 0.35 * small[pixel];
            const int grain = Grain(x0 + x, y0 + y, seed, fieldVariation);
            Colour c =
                Blend(Of(field, grain), Of(field2, grain), std::clamp(0.5 + 1.8 * (n - 0.5), 0.0, 1.0));
            const double d = near.distance[pixel];
            if (d < vergeOuter + Bands::kShade) {
                const double wear = std::clamp((vergeOuter + Bands::kShade - d) / Bands::kShade, 0.0, 1.0);
                c = Blend(c, {0.0, 0.0, 0.0}, kShadeDepth * wear);
                c = Blend(c, Of(verge, grain), Coverage(vergeOuter, d));
                const bool kerbHere = kerbed[static_cast<size_t>(near.sample[pixel])];
                const double roadEdge = kerbHere ? half - kKerbOverlap : half;
                if (kerbHere) {
                    const bool stripe = (near.sample[pixel] / kStripeSamples) % 2 == 1;
                    c = Blend(c, Of(stripe ? kerbStripe : kerb), Coverage(kerbOuter, d));
                }
                const double shade = (n - 0.5) * 2.0 * asphaltVariation + grain / 2.0;
                c = Blend(c, Of(asphalt, shade), Coverage(roadEdge, d));
                if (d >= half - kEdgeLineInner - 0.5 && d < half - kEdgeLineOuter + 0.5) {
                    c = Blend(c, Of(edgeLine),
                              std::min(Coverage(half - kEdgeLineOuter, d),
                                       1.0 - Coverage(half - kEdgeLineInner, d)));
                }
                const ASP_WE_Surface kind = d < roadEdge                ? ASP_WE_Surface::kRoad
                                            : kerbHere && d < kerbOuter ? ASP_WE_Surface::kKerb
                                            : d < vergeOuter            ? ASP_WE_Surface::kVerge
                                                                        : ASP_WE_Surface::kField;
                surface[pixel] = static_cast<uint8_t>(kind);
            }
            Put(ground, pixel, c);
        }
    }
}

void ASP_WE_TrackPainter::PaintMarks(int x0, int y0, std::vector<uint8_t>& ground) const {
    for (const Mark& mark : marks) {
        const double reach = std::hypot(mark.halfAlong, mark.halfAcross);
        const int left = std::max(x0, static_cast<int>(std::floor(mark.centre.x - reach)));
        const int right = std::min(x0 + kTile, static_cast<int>(std::ceil(mark.centre.x + reach)));
        const int top = std::max(y0, static_cast<int>(std::floor(mark.centre.y - reach)));
        const int bottom = std::min(y0 + kTile, static_cast<int>(std::ceil(mark.centre.y + reach)));
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const Point p = Point(x + 0.5, y + 0.5) - mark.centre;
                const double v = Dot(p, mark.along);
                const double u = Dot(p, mark.across);
                if (std::fabs(v) >= mark.halfAlong || std::fabs(u) >= mark.halfAcross) {
                    continue;
                }
                bool second = false;
                if (mark.square > 0.0) {
                    const long cells = std::lround(std::floor((u + mark.halfAcross) / mark.square) +
                                                   std::floor((v + mark.halfAlong) / mark.square));
                    second = cells % 2 == 1;
                }
                Put(ground, static_cast<size_t>(y - y0) * kTile + static_cast<size_t>(x - x0),
                    Of(second ? mark.second : mark.colour));
            }
        }
    }
}
