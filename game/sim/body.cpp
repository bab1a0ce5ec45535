#include "game/sim/body.h"

#include <algorithm>
#include <cmath>

#include "engine/ini.h"
#include "engine/log.h"

void ASP_Body::SetPosition(double px, double py) {
    x = px;
    y = py;
    Moved();
}

void ASP_Body::SetSize(double w, double h) {
    width = w >= 0.0 ? w : width;
    height = h >= 0.0 ? h : height;
    motion.SetExtent(width, height);
    Moved();
}

void ASP_Body::SetRotation(double degrees) {
    if (!std::isfinite(degrees)) {
        return;
    }
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0.0) {
        degrees += 360.0;
    }
    rotation = degrees >= 360.0 ? 0.0 : degrees;
    Moved();
}

void ASP_Body::SetRotationCenter(double cx, double cy) {
    rotX = cx;
    rotY = cy;
    Moved();
}

CBodyPose ASP_Body::Pose() const {
    return CBodyPose{Point(x, y), width, height, rotation, Pivot(), 1.0};
}

Point ASP_Body::ToLocal(Point world) const {
    Point local = world - Point(x, y);
    RotatePoint(local, Pivot(), -rotation);
    return local;
}

const Quad& ASP_Body::Outline() const {
    if (!outlineKnown) {
        outline = Pose().Outline();
        box = BoundsOf(outline);
        outlineKnown = true;
    }
    return outline;
}

const Bounds& ASP_Body::Box() const {
    Outline();
    return box;
}

void ASP_Body::Integrate(double dt) {
    previousX = x;
    previousY = y;
    previousRotation = rotation;
    if (motion.GetVelocity() != Point(0.0, 0.0)) {
        MoveBy(motion.GetVelocity() * dt);
    }
    if (motion.GetSpin() != 0.0) {
        SetRotation(rotation + motion.GetSpin() * dt);
    }
}

void ASP_Body::RestorePrevious() {
    SetPosition(previousX, previousY);
    if (!motion.fixedRotation) {
        SetRotation(previousRotation);
    }
}

void ASP_Body::MoveBy(Point offset) {
    SetPosition(x + offset.x, y + offset.y);
}

bool CanCollide(const ASP_Body& a, const ASP_Body& b) {
    const CRigidBody& ma = a.motion;
    const CRigidBody& mb = b.motion;
    // Two walls that overlap have nothing to exchange and nowhere to go.
    return ma.collidable && mb.collidable && a.GetZ() == b.GetZ() &&
           (ma.Moves() || ma.Turns() || mb.Moves() || mb.Turns());
}

bool Collide(ASP_Body& a, ASP_Body& b, ASP_Contact* contact) {
    // The axis of least penetration tells which way the bodies part, wherever their centres lie.
    Penetration p;
    if (!FindPenetration(a.Outline(), b.Outline(), &p) || !std::isfinite(p.point.x) ||
        !std::isfinite(p.point.y)) {
        return false;
    }
    const double j =
        ExchangeImpulse(a.motion, b.motion, p.normal, p.point - a.Centre(), p.point - b.Centre());
    const auto shift = [&a, &b](Point offset) {
        if (a.motion.Moves()) {
            a.MoveBy(offset);
        }
        if (b.motion.Moves()) {
            b.MoveBy(-offset);
        }
    };
    int steps = 0;
    const int movers = (a.motion.Moves() ? 1 : 0) + (b.motion.Moves() ? 1 : 0);
    if (!PushApart(
            p.normal, p.depth, movers, shift,
            [&a, &b] { return QuadsOverlap(a.Outline(), b.Outline(), nullptr); }, &steps)) {
        Log(LOG_WARNING,
            "Bodies still overlap after " + NumberToText(steps) + " push-apart steps. Giving up.",
            "ASP_Body");
    }
    *contact = ASP_Contact{p.point, std::fabs(j)};
    return true;
}

namespace {

// The mover is clear of an outline once moved by o with Dot(o, u) >= need along one of the
// directions u across the faces of either.
struct WayAcross {
    Point u;
    double need;
};

double Low(const Quad& q, Point u) {
    double low = Dot(q.p[0], u);
    for (const Point& c : q.p) {
        low = std::min(low, Dot(c, u));
    }
    return low;
}

// The eight ways across the faces of a and b (both signs of each of their axes) by which a leaves
// b, margin apart; negative needs where a already stands clear of b that way.
std::vector<WayAcross> WaysAcross(const Quad& a, const Quad& b, double margin) {
    std::vector<WayAcross> ways;
    for (Point edge : {a.p[1] - a.p[0], a.p[3] - a.p[0], b.p[1] - b.p[0], b.p[3] - b.p[0]}) {
        const double length = Length(edge);
        if (!(length > 0.0)) {
            continue;
        }
        for (Point u : {edge / length, -edge / length}) {
            // b's far side along u minus a's near side.
            ways.push_back(WayAcross{u, -Low(b, -u) - Low(a, u) + margin});
        }
    }
    return ways;
}

bool Clears(Point o, const std::vector<WayAcross>& ways) {
    // A hair of slack for the rounding of the intersections below.
    return std::any_of(ways.begin(), ways.end(),
                       [o](const WayAcross& w) { return Dot(o, w.u) >= w.need - 1e-9; });
}

}  // namespace

bool ShortestWayOut(const Quad& mover, const std::vector<Quad>& around, double margin, Point* offset) {
    std::vector<std::vector<WayAcross>> ways;
    for (const Quad& q : around) {
        ways.push_back(WaysAcross(mover, q, margin));
    }
    // The shortest move clear of every outline either crosses one face just far enough, or stops
    // where two faces of two outlines are both just crossed: those are the moves to try.
    std::vector<Point> tries{Point()};
    for (size_t k = 0; k < ways.size(); ++k) {
        for (const WayAcross& w : ways[k]) {
            if (w.need > 0.0) {
                tries.push_back(w.u * w.need);
            }
            for (size_t l = k + 1; l < ways.size(); ++l) {
                for (const WayAcross& v : ways[l]) {
                    // o with Dot(o, w.u) = w.need and Dot(o, v.u) = v.need.
                    const double det = Cross(w.u, v.u);
                    if (std::fabs(det) > 1e-9) {
                        tries.emplace_back((w.need * v.u.y - w.u.y * v.need) / det,
                                           (w.u.x * v.need - w.need * v.u.x) / det);
                    }
                }
            }
        }
    }
    bool found = false;
    for (const Point& o : tries) {
        if ((!found || Length(o) < Length(*offset)) &&
            std::all_of(ways.begin(), ways.end(),
                        [o](const std::vector<WayAcross>& w) { return Clears(o, w); })) {
            *offset = o;
            found = true;
        }
    }
    return found;
}
