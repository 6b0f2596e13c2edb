// Vector and matrix helpers against the documented formulas and values
// worked out by hand.
#include <d3dx8.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual,
                      float tolerance = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tolerance)
                << "element _" << r + 1 << c + 1;
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

TEST(D3dxVector, CrossNormalizeDotAndLength) {
    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), out;
    D3DXVec3Cross(&out, &x, &y);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), out);
    D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6);
    D3DXVec3Cross(&a, &a, &b);  // output aliasing the first input
    EXPECT_EQ(D3DXVECTOR3(-3, 6, -3), a);

    D3DXVECTOR3 v(3, 0, 4);
    EXPECT_FLOAT_EQ(5.0f, D3DXVec3Length(&v));
    EXPECT_FLOAT_EQ(25.0f, D3DXVec3LengthSq(&v));
    D3DXVec3Normalize(&out, &v);
    EXPECT_FLOAT_EQ(0.6f, out.x);
    EXPECT_FLOAT_EQ(0.8f, out.z);
    const D3DXVECTOR3 c(1, 2, 3);
    EXPECT_FLOAT_EQ(32.0f, D3DXVec3Dot(&b, &c));  // 4 + 10 + 18

    D3DXVECTOR3 sum = D3DXVECTOR3(1, 2, 3) + 2.0f * D3DXVECTOR3(1, 1, 1) - D3DXVECTOR3(0, 0, 1);
    EXPECT_EQ(D3DXVECTOR3(3, 4, 4), sum);
}

TEST(D3dxVector, TooShortVectorsNormaliseToZero) {
    D3DXVECTOR3 out(9, 9, 9);
    D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&out, &zero);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), out);
    // Squared length below the smallest normal float: no direction either.
    D3DXVECTOR3 tiny(1e-20f, 0, 0);
    D3DXVec3Normalize(&out, &tiny);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), out);
    // Parallel inputs give a zero cross product, which stays zero.
    D3DXVECTOR3 a(1, 2, 3), b(2, 4, 6);
    D3DXVec3Normalize(&out, D3DXVec3Cross(&out, &a, &b));
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), out);
}

TEST(D3dxMatrix, IdentityMultiplyAndOperators) {
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&id));
    D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(a, a * id);
    EXPECT_EQ(a, id * a);
    EXPECT_FALSE(D3DXMatrixIsIdentity(&a));

    // a * a worked out by hand for the first and last rows.
    D3DXMATRIX sq;
    D3DXMatrixMultiply(&sq, &a, &a);
    EXPECT_FLOAT_EQ(90, sq._11);
    EXPECT_FLOAT_EQ(100, sq._12);
    EXPECT_FLOAT_EQ(110, sq._13);
    EXPECT_FLOAT_EQ(120, sq._14);
    EXPECT_FLOAT_EQ(426, sq._41);
    EXPECT_FLOAT_EQ(600, sq._44);
    D3DXMATRIX b = a;
    b *= a;  // aliasing through the operator
    EXPECT_EQ(sq, b);

    EXPECT_EQ(a * 2.0f, a + a);
    EXPECT_EQ(D3DXMATRIX(), a - a);
    EXPECT_FLOAT_EQ(7.0f, a(1, 2));
    const float* raw = a;
    EXPECT_FLOAT_EQ(16.0f, raw[15]);

    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &a);
    EXPECT_FLOAT_EQ(a._12, t._21);
    EXPECT_FLOAT_EQ(a._43, t._34);
}

TEST(D3dxMatrix, TranslationScalingAndTheirProductActOnRowVectors) {
    D3DXMATRIX tr, sc;
    D3DXMatrixTranslation(&tr, 1, 2, 3);
    EXPECT_FLOAT_EQ(1, tr._41);
    EXPECT_FLOAT_EQ(2, tr._42);
    EXPECT_FLOAT_EQ(3, tr._43);
    D3DXMatrixScaling(&sc, 0.99f, 0.99f, 0.99f);
    // Translate, then scale: the offset is scaled too.
    D3DXVECTOR3 p = Transform(D3DXVECTOR3(0, 0, 0), tr * sc);
    EXPECT_FLOAT_EQ(0.99f, p.x);
    EXPECT_FLOAT_EQ(1.98f, p.y);
    EXPECT_FLOAT_EQ(2.97f, p.z);
    p = Transform(D3DXVECTOR3(1, 1, 1), sc * tr);
    EXPECT_FLOAT_EQ(1.99f, p.x);
    EXPECT_FLOAT_EQ(3.99f, p.z);
}

TEST(D3dxMatrix, AxisRotationsFollowTheLeftHandedConvention) {
    const float quarter = D3DX_PI / 2;
    D3DXMATRIX r;
    D3DXVECTOR3 p = Transform(D3DXVECTOR3(0, 1, 0), *D3DXMatrixRotationX(&r, quarter));
    EXPECT_NEAR(0, p.y, 1e-6);
    EXPECT_NEAR(1, p.z, 1e-6);  // y turns towards +z
    p = Transform(D3DXVECTOR3(0, 0, 1), *D3DXMatrixRotationY(&r, quarter));
    EXPECT_NEAR(1, p.x, 1e-6);  // z turns towards +x
    p = Transform(D3DXVECTOR3(1, 0, 0), *D3DXMatrixRotationZ(&r, quarter));
    EXPECT_NEAR(1, p.y, 1e-6);  // x turns towards +y
    EXPECT_NEAR(0, p.x, 1e-6);
}

TEST(D3dxMatrix, YawPitchRollIsRollThenPitchThenYaw) {
    const float yaw = 0.3f, pitch = -0.7f, roll = 1.1f;
    D3DXMATRIX rz, rx, ry, combined;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    D3DXMatrixRotationYawPitchRoll(&combined, yaw, pitch, roll);
    ExpectMatrixNear(rz * rx * ry, combined);
    // The closed form of the first row: (cr*cy + sr*sp*sy, sr*cp, -cr*sy + sr*sp*cy).
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch),
                cr = std::cos(roll), sr = std::sin(roll);
    EXPECT_NEAR(cr * cy + sr * sp * sy, combined._11, 1e-6);
    EXPECT_NEAR(sr * cp, combined._12, 1e-6);
    EXPECT_NEAR(-cr * sy + sr * sp * cy, combined._13, 1e-6);
    // Zero angles: no rotation at all.
    D3DXMatrixRotationYawPitchRoll(&combined, 0, 0, 0);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&combined));
}

TEST(D3dxMatrix, LookAtMatchesTheAxisFormula) {
    // Eye and target of a camera preset: eye (-200, 50, -200), target (0, 20, 0).
    const D3DXVECTOR3 eye(-200, 50, -200), at(0, 20, 0), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXVECTOR3 z = at - eye, x, y;
    D3DXVec3Normalize(&z, &z);
    D3DXVec3Cross(&x, &up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    const D3DXMATRIX expected(x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0,
                              -D3DXVec3Dot(&x, &eye), -D3DXVec3Dot(&y, &eye),
                              -D3DXVec3Dot(&z, &eye), 1);
    ExpectMatrixNear(expected, view);
    // The eye lands on the origin, the target straight ahead on +z.
    D3DXVECTOR3 p = Transform(eye, view);
    EXPECT_NEAR(0, D3DXVec3Length(&p), 1e-3);
    p = Transform(at, view);
    EXPECT_NEAR(0, p.x, 1e-3);
    EXPECT_NEAR(0, p.y, 1e-3);
    EXPECT_NEAR(std::sqrt(200.0f * 200 * 2 + 30 * 30), p.z, 1e-2);
    // Hand-worked: looking from the origin along +x, world +x is view +z
    // and world +z is view -x.
    const D3DXVECTOR3 origin(0, 0, 0), alongX(5, 0, 0);
    D3DXMatrixLookAtLH(&view, &origin, &alongX, &up);
    ExpectMatrixNear(D3DXMATRIX(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1), view);
}

TEST(D3dxMatrix, PerspectiveOffCenterMatchesTheProjectionFormula) {
    const float l = -2.0f, r = 3.0f, b = -1.0f, t = 1.5f, zn = 4.0f, zf = 5500.0f;
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveOffCenterLH(&proj, l, r, b, t, zn, zf);
    ExpectMatrixNear(
        D3DXMATRIX(2 * zn / (r - l), 0, 0, 0, 0, 2 * zn / (t - b), 0, 0, (l + r) / (l - r),
                   (t + b) / (b - t), zf / (zf - zn), 1, 0, 0, zn * zf / (zn - zf), 0),
        proj);
    // Corners of the near plane reach the edges of clip space, depth 0;
    // the far plane lands on depth 1.
    D3DXVECTOR3 p = Transform(D3DXVECTOR3(l, b, zn), proj);
    EXPECT_NEAR(-1, p.x, 1e-5);
    EXPECT_NEAR(-1, p.y, 1e-5);
    EXPECT_NEAR(0, p.z, 1e-5);
    p = Transform(D3DXVECTOR3(r * zf / zn, t * zf / zn, zf), proj);
    EXPECT_NEAR(1, p.x, 1e-4);
    EXPECT_NEAR(1, p.y, 1e-4);
    EXPECT_NEAR(1, p.z, 1e-5);
    // One 1280x1024 screen, near 4: the smaller side sees +-near/2.
    D3DXMatrixPerspectiveOffCenterLH(&proj, -2.5f, 2.5f, -2.0f, 2.0f, 4.0f, 5500.0f);
    EXPECT_FLOAT_EQ(1.6f, proj._11);
    EXPECT_FLOAT_EQ(2.0f, proj._22);
    EXPECT_FLOAT_EQ(0.0f, proj._31);
    EXPECT_FLOAT_EQ(1.0f, proj._34);
}

TEST(D3dxMatrix, OrthoOffCenterMapsTheUnitSquareToClipSpace) {
    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 1, 0, 1, 0, 1);
    ExpectMatrixNear(D3DXMATRIX(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, -1, -1, 0, 1), ortho);
    D3DXVECTOR3 p = Transform(D3DXVECTOR3(0.84f, 0.95f, 0.001f), ortho);
    EXPECT_NEAR(0.68f, p.x, 1e-6);
    EXPECT_NEAR(0.9f, p.y, 1e-6);
    EXPECT_NEAR(0.001f, p.z, 1e-7);
}

TEST(D3dxMatrix, PerspectiveFovIsTheSymmetricOffCenterCase) {
    D3DXMATRIX fov, offCenter;
    D3DXMatrixPerspectiveFovLH(&fov, D3DX_PI / 2, 1.25f, 1.0f, 100.0f);
    D3DXMatrixPerspectiveOffCenterLH(&offCenter, -1.25f, 1.25f, -1.0f, 1.0f, 1.0f, 100.0f);
    ExpectMatrixNear(offCenter, fov);
}

TEST(D3dxMatrix, InverseUndoesTheTransformAndRejectsSingularMatrices) {
    D3DXMATRIX rot, tr, sc;
    D3DXMatrixRotationYawPitchRoll(&rot, 0.4f, 0.2f, -0.9f);
    D3DXMatrixTranslation(&tr, 3, -7, 11);
    D3DXMatrixScaling(&sc, 2, 0.5f, 4);
    const D3DXMATRIX world = rot * sc * tr;
    D3DXMATRIX inv;
    float det = 0;
    ASSERT_NE(nullptr, D3DXMatrixInverse(&inv, &det, &world));
    EXPECT_NEAR(4.0f, det, 1e-4);  // rotation 1, scales 2 * 0.5 * 4
    EXPECT_NEAR(4.0f, D3DXMatrixDeterminant(&world), 1e-4);
    D3DXMATRIX id;
    ExpectMatrixNear(*D3DXMatrixIdentity(&id), world * inv, 1e-5f);

    D3DXMATRIX singular;
    D3DXMatrixScaling(&singular, 1, 0, 1);
    D3DXMATRIX untouched(world);
    EXPECT_EQ(nullptr, D3DXMatrixInverse(&untouched, &det, &singular));
    EXPECT_EQ(0.0f, det);
    EXPECT_EQ(world, untouched);
}

TEST(D3dxVector, TransformNormalIgnoresTranslation) {
    D3DXMATRIX tr;
    D3DXMatrixTranslation(&tr, 5, 5, 5);
    D3DXVECTOR3 n(0, 1, 0), out;
    D3DXVec3TransformNormal(&out, &n, &tr);
    EXPECT_EQ(n, out);
    D3DXVec3TransformCoord(&out, &n, &tr);
    EXPECT_EQ(D3DXVECTOR3(5, 6, 5), out);
}

}  // namespace
