#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx_math.h"

namespace {

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], tol) << "at " << r << "," << c;
}

void ExpectVecNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tol = 1e-4f) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

}  // namespace

TEST(Math, RowVectorsApplyScaleThenTranslate) {
  D3DXMATRIX s, t;
  D3DXMatrixScaling(&s, 2, 3, 4);
  D3DXMatrixTranslation(&t, 10, 20, 30);
  D3DXMATRIX st = s * t;
  D3DXVECTOR3 v(1, 1, 1), out;
  D3DXVec3TransformCoord(&out, &v, &st);
  ExpectVecNear(out, D3DXVECTOR3(12, 23, 34));
  // A normal ignores the translation row.
  D3DXVec3TransformNormal(&out, &v, &st);
  ExpectVecNear(out, D3DXVECTOR3(2, 3, 4));
  // Multiplying in place gives the same as the operator.
  D3DXMATRIX inPlace = s;
  D3DXMatrixMultiply(&inPlace, &inPlace, &t);
  EXPECT_EQ(inPlace, st);
}

TEST(Math, RotationsTurnCounterClockwiseLookingDownTheAxis) {
  const float q = D3DX_PI / 2;
  D3DXMATRIX m;
  D3DXVECTOR3 out, x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
  D3DXMatrixRotationZ(&m, q);  // x toward y
  D3DXVec3TransformCoord(&out, &x, &m);
  ExpectVecNear(out, y);
  D3DXMatrixRotationX(&m, q);  // y toward z
  D3DXVec3TransformCoord(&out, &y, &m);
  ExpectVecNear(out, z);
  D3DXMatrixRotationY(&m, q);  // z toward x
  D3DXVec3TransformCoord(&out, &z, &m);
  ExpectVecNear(out, x);
  EXPECT_FLOAT_EQ(m._31, 1.0f);
  EXPECT_FLOAT_EQ(m._13, -1.0f);
}

TEST(Math, YawPitchRollIsRollThenPitchThenYaw) {
  const float yaw = 0.3f, pitch = -1.1f, roll = 2.0f;
  D3DXMATRIX ypr, rx, ry, rz;
  D3DXMatrixRotationYawPitchRoll(&ypr, yaw, pitch, roll);
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  ExpectMatrixNear(ypr, rz * rx * ry);
  // A quarter pitch lays the y axis onto z: the upright turn of capsules.
  D3DXMatrixRotationYawPitchRoll(&ypr, 0, D3DX_PI / 2, 0);
  EXPECT_FLOAT_EQ(ypr._23, 1.0f);
  EXPECT_FLOAT_EQ(ypr._32, -1.0f);
  EXPECT_FLOAT_EQ(ypr._11, 1.0f);
}

TEST(Math, RotationAxisMatchesTheAxisRotations) {
  D3DXMATRIX a, z;
  D3DXVECTOR3 axis(0, 0, 5);  // length does not matter
  D3DXMatrixRotationAxis(&a, &axis, 0.7f);
  D3DXMatrixRotationZ(&z, 0.7f);
  ExpectMatrixNear(a, z);
  D3DXVECTOR3 diag(1, 1, 1), out;
  D3DXMatrixRotationAxis(&a, &diag, 2 * D3DX_PI / 3);  // cycles the axes x -> y -> z
  D3DXVECTOR3 x(1, 0, 0);
  D3DXVec3TransformCoord(&out, &x, &a);
  ExpectVecNear(out, D3DXVECTOR3(0, 1, 0));
}

TEST(Math, InverseUndoesAndSingularFails) {
  D3DXMATRIX r, t, m, inv;
  D3DXMatrixRotationYawPitchRoll(&r, 0.4f, 0.2f, -0.9f);
  D3DXMatrixTranslation(&t, 5, -7, 3);
  m = r * t;
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
  EXPECT_NEAR(det, 1.0f, 1e-5f);
  ExpectMatrixNear(m * inv, Identity());
  D3DXMATRIX s;
  D3DXMatrixScaling(&s, 1, 0, 1);
  D3DXMATRIX keep = Identity();
  EXPECT_EQ(D3DXMatrixInverse(&keep, &det, &s), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_EQ(keep, Identity());
}

TEST(Math, VectorBasics) {
  D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6), c;
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 32.0f);
  D3DXVec3Cross(&c, &a, &b);
  ExpectVecNear(c, D3DXVECTOR3(-3, 6, -3));
  D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  D3DXVec3Cross(&c, &x, &y);  // left-handed formula is the same product: x cross y = z
  ExpectVecNear(c, D3DXVECTOR3(0, 0, 1));
  D3DXVECTOR3 v(3, 4, 0);
  EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
  D3DXVec3Normalize(&c, &v);
  ExpectVecNear(c, D3DXVECTOR3(0.6f, 0.8f, 0));
  D3DXVECTOR3 zero(0, 0, 0);
  D3DXVec3Normalize(&c, &zero);
  EXPECT_EQ(c, zero);
  EXPECT_FALSE(std::isnan(c.x));
  EXPECT_EQ(a + b, D3DXVECTOR3(5, 7, 9));
  EXPECT_EQ(b - a, D3DXVECTOR3(3, 3, 3));
  EXPECT_EQ(a * 2.0f, D3DXVECTOR3(2, 4, 6));
  EXPECT_EQ(2.0f * a, D3DXVECTOR3(2, 4, 6));
  EXPECT_EQ(-a, D3DXVECTOR3(-1, -2, -3));
  D3DXVECTOR3 d = a;
  d += b;
  d /= 5.0f;
  // Division multiplies by the reciprocal: 9 * (1/5) rounds to 1.8000001, not 1.7999999.
  EXPECT_EQ(d, D3DXVECTOR3(1, 7.0f * (1.0f / 5.0f), 9.0f * (1.0f / 5.0f)));
  EXPECT_NE(d.z, 9.0f / 5.0f);
  EXPECT_EQ((D3DXVECTOR3(7, 0, 0) / 3.0f).x, 7.0f * (1.0f / 3.0f));
}

// The game's camera: eye in front of the z = 0 plane looking along +z.
class GameCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    D3DXVECTOR3 eye(400, 10, -50), at(400, 10, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 10, 5000);
    vp = {0, 0, 640, 480, 0, 1};
  }
  D3DXMATRIX view, proj;
  D3DVIEWPORT9 vp;
};

TEST_F(GameCamera, LookAtAndPerspectiveHaveTheDocumentedForm) {
  // Looking along +z with y up: the view is a pure translation by -eye.
  D3DXMATRIX expectView = Identity();
  expectView._41 = -400;
  expectView._42 = -10;
  expectView._43 = 50;
  ExpectMatrixNear(view, expectView);
  const float ys = 1.0f / tanf(D3DX_PI / 6);  // cot(fov / 2) = sqrt(3)
  EXPECT_NEAR(proj._22, 1.7320508f, 1e-6f);
  EXPECT_FLOAT_EQ(proj._11, ys / (4.0f / 3.0f));
  EXPECT_FLOAT_EQ(proj._33, 5000.0f / 4990.0f);
  EXPECT_FLOAT_EQ(proj._34, 1.0f);
  EXPECT_FLOAT_EQ(proj._43, -10.0f * 5000.0f / 4990.0f);
  EXPECT_FLOAT_EQ(proj._44, 0.0f);
  // Depth runs 0 at the near plane to 1 at the far plane.
  D3DXVECTOR3 nearPt(0, 0, 10), farPt(0, 0, 5000), out;
  D3DXVec3TransformCoord(&out, &nearPt, &proj);
  EXPECT_NEAR(out.z, 0.0f, 1e-6f);
  D3DXVec3TransformCoord(&out, &farPt, &proj);
  EXPECT_NEAR(out.z, 1.0f, 1e-6f);
}

TEST_F(GameCamera, ProjectPutsTheLookAtPointInTheCentreAndUnprojectReturnsIt) {
  D3DXVECTOR3 centre(400, 10, 0), out;
  D3DXVec3Project(&out, &centre, &vp, &proj, &view, nullptr);
  EXPECT_NEAR(out.x, 320.0f, 1e-3f);
  EXPECT_NEAR(out.y, 240.0f, 1e-3f);
  // 50 units away: half the visible height is 50 * tan(30 degrees) = 28.8675.
  D3DXVECTOR3 top(400, 10 + 28.867513f, 0);
  D3DXVec3Project(&out, &top, &vp, &proj, &view, nullptr);
  EXPECT_NEAR(out.y, 0.0f, 1e-2f);
  D3DXVECTOR3 right(400 + 28.867513f * 4 / 3, 10, 0);
  D3DXVec3Project(&out, &right, &vp, &proj, &view, nullptr);
  EXPECT_NEAR(out.x, 640.0f, 1e-2f);

  D3DXVECTOR3 p(371.5f, 27.25f, 12.0f), screen, back;
  D3DXVec3Project(&screen, &p, &vp, &proj, &view, nullptr);
  ASSERT_NE(D3DXVec3Unproject(&back, &screen, &vp, &proj, &view, nullptr), nullptr);
  ExpectVecNear(back, p, 1e-2f);
}

TEST(Math, IntersectTriReportsBarycentricsAndDistance) {
  D3DXVECTOR3 p0(0, 0, 5), p1(10, 0, 5), p2(0, 10, 5);
  D3DXVECTOR3 pos(2, 3, 0), dir(0, 0, 1);
  float u = -1, v = -1, dist = -1;
  ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &pos, &dir, &u, &v, &dist));
  EXPECT_NEAR(u, 0.2f, 1e-6f);
  EXPECT_NEAR(v, 0.3f, 1e-6f);
  EXPECT_NEAR(dist, 5.0f, 1e-6f);
  // Hit from behind too: the test is two-sided.
  D3DXVECTOR3 behind(2, 3, 10), back(0, 0, -2);
  ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &behind, &back, &u, &v, &dist));
  EXPECT_NEAR(dist, 2.5f, 1e-6f);
  // Outside the triangle, parallel, and behind the ray's start all miss.
  D3DXVECTOR3 outside(8, 8, 0), parallel(1, 0, 0), away(0, 0, -1);
  EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &outside, &dir, &u, &v, &dist));
  EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &pos, &parallel, &u, &v, &dist));
  EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &pos, &away, &u, &v, &dist));
}
