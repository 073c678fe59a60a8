// Single-precision 3-D points and 4x4 affine matrices.
//
// Matrices are row-major and act on column vectors; the translation is in
// column 3 and row 3 is never read (no homogeneous divide). Intermediate
// arithmetic is double and every stored value is rounded to float.
#pragma once

#include <ostream>

namespace calyra {

struct Point3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline bool operator==(const Point3& a, const Point3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
std::ostream& operator<<(std::ostream& os, const Point3& p);

// Component-wise float arithmetic: each component rounded once, as written out.
inline Point3 operator+(const Point3& a, const Point3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Point3 operator-(const Point3& a, const Point3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3 operator-(const Point3& p) {
    return {-p.x, -p.y, -p.z};
}
inline Point3 operator*(float s, const Point3& p) {
    return {s * p.x, s * p.y, s * p.z};
}

struct Matrix4 {
    float m[16] = {};  // element (row r, column c) at 4r + c
    float& at(int r, int c) { return m[4 * r + c]; }
    float at(int r, int c) const { return m[4 * r + c]; }
};
std::ostream& operator<<(std::ostream& os, const Matrix4& m);

void MakeTranslation(Matrix4& m, float tx, float ty, float tz);
void MakeScale(Matrix4& m, float sx, float sy, float sz);
void MakeRotationX(Matrix4& m, float angle);  // radians, right-handed
void MakeRotationY(Matrix4& m, float angle);
void MakeRotationZ(Matrix4& m, float angle);
// Rows u, v, n: n = normal / |normal|, u = (up x n) / |up x n|, v = n x u.
void ViewOrientationMatrix(Matrix4& m, const Point3& normal, const Point3& up);

// c = a . b; c must be distinct from a and b.
void MultiplyMatrix(const Matrix4& a, const Matrix4& b, Matrix4& c);
Point3 TransformPoint(const Matrix4& m, const Point3& p);
double VectorLength(float x, float y, float z);
inline double VectorLength(const Point3& p) {
    return VectorLength(p.x, p.y, p.z);
}
Point3 CrossProduct(const Point3& a, const Point3& b);
// p / |p|: each component divided in double by the double length, stored as float.
Point3 Normalised(const Point3& p);
// The same, except that a length of exactly 0 counts as 0.001, so a zero
// vector stays zero instead of becoming NaN.
Point3 NormalisedOrZero(const Point3& p);

// Applies m to count points in place.
void TransformPoints(const Matrix4& m, Point3* points, int count);
// Replaces every point p by R (p - reference), R = ViewOrientationMatrix(normal, up).
void WorldToView(Point3* points, int count, const Point3& reference, const Point3& normal,
                 const Point3& up);
// Maps the canonical box [-1,1] x [-1,1] x [-1,0] onto the given ranges.
// Note the order: each upper bound comes before its lower bound.
void ViewportMap(Point3* points, int count, float xMax, float xMin, float yMax, float yMin,
                 float zMax, float zMin);

}  // namespace calyra
