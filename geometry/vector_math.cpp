#include "geometry/vector_math.h"

#include <cmath>

namespace calyra {

std::ostream& operator<<(std::ostream& os, const Point3& p) {
    return os << '(' << p.x << ", " << p.y << ", " << p.z << ')';
}

std::ostream& operator<<(std::ostream& os, const Matrix4& m) {
    os << '[';
    for (int r = 0; r < 4; ++r) {
        os << (r ? "; " : "");
        for (int c = 0; c < 4; ++c) os << (c ? " " : "") << m.at(r, c);
    }
    return os << ']';
}

namespace {

void MakeIdentity(Matrix4& m) {
    for (int i = 0; i < 16; ++i) m.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// A right-handed turn in the plane of axes a and b (about the third axis),
// cos and sin taken in double and stored as floats.
void MakeRotation(Matrix4& m, float angle, int a, int b) {
    const float c = static_cast<float>(std::cos(double{angle}));
    const float s = static_cast<float>(std::sin(double{angle}));
    MakeIdentity(m);
    m.at(a, a) = c;
    m.at(a, b) = -s;
    m.at(b, a) = s;
    m.at(b, b) = c;
}

}  // namespace

void MakeTranslation(Matrix4& m, float tx, float ty, float tz) {
    MakeIdentity(m);
    m.at(0, 3) = tx;
    m.at(1, 3) = ty;
    m.at(2, 3) = tz;
}

void MakeScale(Matrix4& m, float sx, float sy, float sz) {
    for (float& e : m.m) e = 0.0f;
    m.at(0, 0) = sx;
    m.at(1, 1) = sy;
    m.at(2, 2) = sz;
    m.at(3, 3) = 1.0f;
}

void MakeRotationX(Matrix4& m, float angle) {
    MakeRotation(m, angle, 1, 2);
}

void MakeRotationY(Matrix4& m, float angle) {
    MakeRotation(m, angle, 2, 0);
}

void MakeRotationZ(Matrix4& m, float angle) {
    MakeRotation(m, angle, 0, 1);
}

void ViewOrientationMatrix(Matrix4& m, const Point3& normal, const Point3& up) {
    const Point3 n = Normalised(normal);
    const Point3 u = Normalised(CrossProduct(up, n));
    const Point3 v = CrossProduct(n, u);  // unit length already
    MakeIdentity(m);
    const Point3 rows[3] = {u, v, n};
    for (int r = 0; r < 3; ++r) {
        m.at(r, 0) = rows[r].x;
        m.at(r, 1) = rows[r].y;
        m.at(r, 2) = rows[r].z;
    }
}

// The running sum is stored as a float after every term.
void MultiplyMatrix(const Matrix4& a, const Matrix4& b, Matrix4& c) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            c.at(i, j) = 0.0f;
            for (int k = 0; k < 4; ++k) {
                c.at(i, j) = static_cast<float>(double{a.at(i, k)} * double{b.at(k, j)} +
                                                double{c.at(i, j)});
            }
        }
    }
}

// Evaluated in double, rounded once per coordinate.
Point3 TransformPoint(const Matrix4& m, const Point3& p) {
    const double x = p.x, y = p.y, z = p.z;
    Point3 out;
    float* o[3] = {&out.x, &out.y, &out.z};
    for (int r = 0; r < 3; ++r) {
        *o[r] = static_cast<float>(double{m.at(r, 0)} * x + double{m.at(r, 1)} * y +
                                   double{m.at(r, 2)} * z + double{m.at(r, 3)});
    }
    return out;
}

double VectorLength(float x, float y, float z) {
    const double dx = x, dy = y, dz = z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Point3 CrossProduct(const Point3& a, const Point3& b) {
    const double ax = a.x, ay = a.y, az = a.z, bx = b.x, by = b.y, bz = b.z;
    return {static_cast<float>(ay * bz - az * by), static_cast<float>(az * bx - ax * bz),
            static_cast<float>(ax * by - ay * bx)};
}

namespace {

Point3 DividedBy(const Point3& p, double length) {
    return {static_cast<float>(p.x / length), static_cast<float>(p.y / length),
            static_cast<float>(p.z / length)};
}

}  // namespace

Point3 Normalised(const Point3& p) {
    return DividedBy(p, VectorLength(p));
}

Point3 NormalisedOrZero(const Point3& p) {
    const double length = VectorLength(p);
    return DividedBy(p, length == 0.0 ? 0.001 : length);
}

void TransformPoints(const Matrix4& m, Point3* points, int count) {
    for (int i = 0; i < count; ++i) points[i] = TransformPoint(m, points[i]);
}

void WorldToView(Point3* points, int count, const Point3& reference, const Point3& normal,
                 const Point3& up) {
    if (count <= 0) return;
    Matrix4 t, r, c;
    MakeTranslation(t, -reference.x, -reference.y, -reference.z);
    ViewOrientationMatrix(r, normal, up);
    MultiplyMatrix(r, t, c);
    TransformPoints(c, points, count);
}

void ViewportMap(Point3* points, int count, float xMax, float xMin, float yMax, float yMin,
                 float zMax, float zMin) {
    if (count <= 0) return;
    Matrix4 t1, s, m1, t2, m;
    MakeTranslation(t1, 1.0f, 1.0f, 1.0f);
    MakeScale(s, static_cast<float>((double{xMax} - xMin) * 0.5),
              static_cast<float>((double{yMax} - yMin) * 0.5),
              static_cast<float>(double{zMax} - zMin));
    MultiplyMatrix(s, t1, m1);
    MakeTranslation(t2, xMin, yMin, zMin);
    MultiplyMatrix(t2, m1, m);
    TransformPoints(m, points, count);
}

}  // namespace calyra
