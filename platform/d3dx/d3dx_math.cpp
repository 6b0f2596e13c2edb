// Vector and matrix helpers of d3dx8math.h, in single precision.
#include <d3dx8math.h>

#include <cfloat>
#include <cmath>

D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator*=(FLOAT s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator/=(FLOAT s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

D3DXVECTOR3 D3DXVECTOR3::operator+(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(x + v.x, y + v.y, z + v.z);
}

D3DXVECTOR3 D3DXVECTOR3::operator-(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(x - v.x, y - v.y, z - v.z);
}

D3DXVECTOR3 D3DXVECTOR3::operator*(FLOAT s) const {
    return D3DXVECTOR3(x * s, y * s, z * s);
}

D3DXVECTOR3 D3DXVECTOR3::operator/(FLOAT s) const {
    return D3DXVECTOR3(x / s, y / s, z / s);
}

D3DXMATRIX::D3DXMATRIX(const FLOAT* values) : D3DMATRIX{} {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = values[i];
}

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23,
                       FLOAT f24, FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42,
                       FLOAT f43, FLOAT f44)
    : D3DMATRIX{} {
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
    D3DXMatrixMultiply(this, this, &other);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& other) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] += other.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& other) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] -= other.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT s) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] *= s;
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT s) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] /= s;
    return *this;
}

D3DXMATRIX D3DXMATRIX::operator-() const {
    return *this * -1.0f;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &other);
    return out;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& other) const {
    D3DXMATRIX out(*this);
    return out += other;
}

D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& other) const {
    D3DXMATRIX out(*this);
    return out -= other;
}

D3DXMATRIX D3DXMATRIX::operator*(FLOAT s) const {
    D3DXMATRIX out(*this);
    return out *= s;
}

D3DXMATRIX D3DXMATRIX::operator/(FLOAT s) const {
    D3DXMATRIX out(*this);
    return out /= s;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != other.m[r][c]) return false;
    return true;
}

FLOAT WINAPI D3DXVec3LengthSq(const D3DXVECTOR3* pV) {
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z;
}

FLOAT WINAPI D3DXVec3Length(const D3DXVECTOR3* pV) {
    return std::sqrt(D3DXVec3LengthSq(pV));
}

FLOAT WINAPI D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

D3DXVECTOR3* WINAPI D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                  const D3DXVECTOR3* pV2) {
    // Read both inputs first: pOut may alias either of them.
    const D3DXVECTOR3 a = *pV1, b = *pV2;
    *pOut = D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    const FLOAT lengthSq = D3DXVec3LengthSq(pV);
    if (!(lengthSq > FLT_MIN)) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return pOut;
    }
    const FLOAT length = std::sqrt(lengthSq);
    *pOut = D3DXVECTOR3(pV->x / length, pV->y / length, pV->z / length);
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                           const D3DXMATRIX* pM) {
    const D3DXVECTOR3 v = *pV;
    const D3DXMATRIX& m = *pM;
    const FLOAT w = v.x * m._14 + v.y * m._24 + v.z * m._34 + m._44;
    *pOut = D3DXVECTOR3((v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41) / w,
                        (v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42) / w,
                        (v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43) / w);
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                            const D3DXMATRIX* pM) {
    const D3DXVECTOR3 v = *pV;
    const D3DXMATRIX& m = *pM;
    *pOut = D3DXVECTOR3(v.x * m._11 + v.y * m._21 + v.z * m._31,
                        v.x * m._12 + v.y * m._22 + v.z * m._32,
                        v.x * m._13 + v.y * m._23 + v.z * m._33);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

BOOL WINAPI D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (pM->m[r][c] != (r == c ? 1.0f : 0.0f)) return FALSE;
    return TRUE;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                      const D3DXMATRIX* pM2) {
    // Work on copies: pOut may alias either operand.
    const D3DXMATRIX a = *pM1, b = *pM2;
    D3DXMATRIX out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                          a.m[r][3] * b.m[3][c];
    *pOut = out;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
    const D3DXMATRIX a = *pM;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) pOut->m[r][c] = a.m[c][r];
    return pOut;
}

namespace {

// Cofactors of a 4x4 matrix, in double precision for a stable inverse.
void Cofactors(const D3DXMATRIX& a, double cof[4][4]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double minor[3][3];
            for (int i = 0, mi = 0; i < 4; ++i) {
                if (i == r) continue;
                for (int j = 0, mj = 0; j < 4; ++j) {
                    if (j == c) continue;
                    minor[mi][mj++] = a.m[i][j];
                }
                ++mi;
            }
            const double det3 =
                minor[0][0] * (minor[1][1] * minor[2][2] - minor[1][2] * minor[2][1]) -
                minor[0][1] * (minor[1][0] * minor[2][2] - minor[1][2] * minor[2][0]) +
                minor[0][2] * (minor[1][0] * minor[2][1] - minor[1][1] * minor[2][0]);
            cof[r][c] = ((r + c) % 2 == 0) ? det3 : -det3;
        }
    }
}

}  // namespace

FLOAT WINAPI D3DXMatrixDeterminant(const D3DXMATRIX* pM) {
    double cof[4][4];
    Cofactors(*pM, cof);
    double det = 0.0;
    for (int c = 0; c < 4; ++c) det += pM->m[0][c] * cof[0][c];
    return static_cast<FLOAT>(det);
}

D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
    double cof[4][4];
    Cofactors(*pM, cof);
    double det = 0.0;
    for (int c = 0; c < 4; ++c) det += pM->m[0][c] * cof[0][c];
    if (pDeterminant) *pDeterminant = static_cast<FLOAT>(det);
    if (det == 0.0 || !std::isfinite(det)) return nullptr;
    // The inverse is the transposed cofactor matrix over the determinant.
    D3DXMATRIX out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.m[r][c] = static_cast<FLOAT>(cof[c][r] / det);
    *pOut = out;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
    *pOut = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle) {
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle) {
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle) {
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch,
                                                  FLOAT roll) {
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    D3DXMatrixMultiply(pOut, &rz, &rx);
    return D3DXMatrixMultiply(pOut, pOut, &ry);
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye,
                                      const D3DXVECTOR3* pAt, const D3DXVECTOR3* pUp) {
    const D3DXVECTOR3 eye = *pEye;
    D3DXVECTOR3 zaxis = *pAt - eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, pUp, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0,  //
                       xaxis.y, yaxis.y, zaxis.y, 0,  //
                       xaxis.z, yaxis.z, zaxis.z, 0,  //
                       -D3DXVec3Dot(&xaxis, &eye), -D3DXVec3Dot(&yaxis, &eye),
                       -D3DXVec3Dot(&zaxis, &eye), 1);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                              FLOAT zf) {
    const FLOAT yscale = 1.0f / std::tan(fovy / 2.0f);
    const FLOAT xscale = yscale / aspect;
    *pOut = D3DXMATRIX(xscale, 0, 0, 0,          //
                       0, yscale, 0, 0,          //
                       0, 0, zf / (zf - zn), 1,  //
                       0, 0, -zn * zf / (zf - zn), 0);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b,
                                                    FLOAT t, FLOAT zn, FLOAT zf) {
    *pOut = D3DXMATRIX(2 * zn / (r - l), 0, 0, 0,                                //
                       0, 2 * zn / (t - b), 0, 0,                                //
                       (l + r) / (l - r), (t + b) / (b - t), zf / (zf - zn), 1,  //
                       0, 0, zn * zf / (zn - zf), 0);
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                              FLOAT zn, FLOAT zf) {
    *pOut = D3DXMATRIX(2 / (r - l), 0, 0, 0,    //
                       0, 2 / (t - b), 0, 0,    //
                       0, 0, 1 / (zf - zn), 0,  //
                       (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
    return pOut;
}
