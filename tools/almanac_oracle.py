#!/usr/bin/env python3
"""Reference numbers for the almanac tests, computed independently of the program.

The orbit follows the almanac equations of IS-GPS-200 (the user
algorithm for ephemeris determination, with the almanac's parameter set: no harmonic
corrections, inclination i0 = 0.30 semicircles + delta-i, no inclination rate). Kepler's
equation is solved by Newton's method. The observer is placed on WGS 84 from geodetic
coordinates; the look angles are given both in the observer's geocentric frame (what the
program uses) and in the ellipsoid-normal frame, for comparison.

Each orbital value passes through a 4-byte float, as the receiver stores it, before the
computation, which then runs in double precision.

Standard library only. Run: python3 tools/almanac_oracle.py
"""
import datetime
import math
import struct

MU = 3.986005e14             # m^3/s^2, the WGS 84 value IS-GPS-200 uses
OMEGA_E = 7.2921151467e-5    # rad/s
PI = 3.1415926535898         # the value of pi IS-GPS-200 prescribes
WGS84_A = 6378137.0
WGS84_F = 1 / 298.257223563
GPS_EPOCH = datetime.datetime(1980, 1, 6)


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def stored(yuma):
    """The record as the receiver stores it: semicircles, single precision."""
    return {
        'sqrtA': f32(yuma['sqrtA']),
        'e': f32(yuma['e']),
        'M0': f32(yuma['M0'] / math.pi) * PI,
        'Omega0': f32(yuma['Omega0'] / math.pi) * PI,
        'omega': f32(yuma['omega'] / math.pi) * PI,
        'i0': (0.30 + f32(yuma['i'] / math.pi - 0.3)) * PI,
        'OmegaDot': f32(yuma['OmegaDot'] / math.pi) * PI,
        'toa': yuma['toa'],
        'week': yuma['week'],
    }


def satellite_ecef(alm, t_gps):
    """t_gps: seconds since the GPS epoch."""
    a = alm['sqrtA'] ** 2
    n0 = math.sqrt(MU / a ** 3)
    tk = t_gps - (alm['week'] * 604800 + alm['toa'])
    mk = alm['M0'] + n0 * tk
    ek = mk
    for _ in range(30):
        ek -= (ek - alm['e'] * math.sin(ek) - mk) / (1 - alm['e'] * math.cos(ek))
    vk = math.atan2(math.sqrt(1 - alm['e'] ** 2) * math.sin(ek), math.cos(ek) - alm['e'])
    phik = vk + alm['omega']
    rk = a * (1 - alm['e'] * math.cos(ek))
    xk, yk = rk * math.cos(phik), rk * math.sin(phik)
    omk = alm['Omega0'] + (alm['OmegaDot'] - OMEGA_E) * tk - OMEGA_E * alm['toa']
    ik = alm['i0']
    return (xk * math.cos(omk) - yk * math.cos(ik) * math.sin(omk),
            xk * math.sin(omk) + yk * math.cos(ik) * math.cos(omk),
            yk * math.sin(ik))


def geodetic_to_ecef(lat_deg, lon_deg, h):
    e2 = WGS84_F * (2 - WGS84_F)
    lat, lon = math.radians(lat_deg), math.radians(lon_deg)
    n = WGS84_A / math.sqrt(1 - e2 * math.sin(lat) ** 2)
    return ((n + h) * math.cos(lat) * math.cos(lon),
            (n + h) * math.cos(lat) * math.sin(lon),
            (n * (1 - e2) + h) * math.sin(lat))


def look_angles(obs, sat, lat, lon):
    """Elevation and azimuth in degrees in the frame whose up points along (lat, lon)."""
    d = [s - o for s, o in zip(sat, obs)]
    sl, cl, so, co = math.sin(lat), math.cos(lat), math.sin(lon), math.cos(lon)
    east = -so * d[0] + co * d[1]
    north = -sl * co * d[0] - sl * so * d[1] + cl * d[2]
    up = cl * co * d[0] + cl * so * d[1] + sl * d[2]
    el = math.degrees(math.atan2(up, math.hypot(east, north)))
    az = math.degrees(math.atan2(east, north)) % 360
    return el, az


def report(name, alm, when, places):
    t = (when - GPS_EPOCH).total_seconds()
    sat = satellite_ecef(alm, t)
    print(f'{name} at {when}: ECEF {sat[0]:.1f} {sat[1]:.1f} {sat[2]:.1f} m')
    for lat_deg, lon_deg, h in places:
        obs = geodetic_to_ecef(lat_deg, lon_deg, h)
        geocentric_lat = math.atan2(obs[2], math.hypot(obs[0], obs[1]))
        lon = math.atan2(obs[1], obs[0])
        el_c, az_c = look_angles(obs, sat, geocentric_lat, lon)
        el_n, az_n = look_angles(obs, sat, math.radians(lat_deg), math.radians(lon_deg))
        print(f'  from {lat_deg} {lon_deg} {h}: geocentric el {el_c:.3f} az {az_c:.3f}; '
              f'normal el {el_n:.3f} az {az_n:.3f}')


def main():
    # Published YUMA almanac, week 748 (full week 1772), PRN 1.
    prn1 = {
        'e': 0.2617359161E-002, 'toa': 405504, 'i': 0.9603342912,
        'OmegaDot': -0.7908900866E-008, 'sqrtA': 5153.628418, 'Omega0': 0.1059226467E+001,
        'omega': 0.424856502, 'M0': -0.2023449864E+001, 'week': 1772,
    }
    alm = stored(prn1)
    toa_time = GPS_EPOCH + datetime.timedelta(seconds=alm['week'] * 604800 + alm['toa'])
    print(f'PRN 1 week 1772 toa {alm["toa"]}: {toa_time}')
    report('PRN 1', alm, datetime.datetime(2013, 12, 26, 14, 38, 24),
           [(0.0, 0.0, 0.0), (-50.0, 35.0, 100.0), (55.651824076, 37.539215196, 248.274)])
    # A day after the reference time: the almanac is propagated forward as well.
    report('PRN 1', alm, datetime.datetime(2013, 12, 27, 14, 38, 24), [(0.0, 0.0, 0.0)])


if __name__ == '__main__':
    main()
