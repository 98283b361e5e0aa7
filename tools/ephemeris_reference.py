#!/usr/bin/python3
"""Writes tests/data/ephemeris_reference.csv: geocentric sub-solar and
sub-lunar points from PyEphem (Debian's python3-ephem, libastro's full
theories with nutation and aberration) for dates from 1970 to 2100.

The astronomy tests compare the applet's low-precision model against this
table, so they need no Python. Regenerate with
    /usr/bin/python3 tools/ephemeris_reference.py > tests/data/ephemeris_reference.csv
"""
import datetime
import math

import ephem

UNIX_EPOCH = datetime.datetime(1970, 1, 1)
START = 0                                    # 1970-01-01 00:00:00 UTC
END = 4133980800                             # 2101-01-01 00:00:00 UTC
# An uneven step so that the samples wander through every hour of the day
# and every phase of the month and the year.
STEP = 10 * 86400 + 7 * 3600 + 21 * 60 + 13


def subpoint(body, when, greenwich):
    """Latitude and east longitude (degrees) where the body is in the zenith."""
    body.compute(when)
    greenwich.date = when
    lat = math.degrees(body.g_dec)
    lon = math.degrees(body.g_ra - greenwich.sidereal_time())
    lon = (lon + 180.0) % 360.0 - 180.0
    return lat, lon


def main():
    greenwich = ephem.Observer()
    greenwich.lat = '0'
    greenwich.lon = '0'
    greenwich.elevation = 0
    sun = ephem.Sun()
    moon = ephem.Moon()
    print("# unix_time,sun_lat_deg,sun_long_deg,moon_lat_deg,moon_long_deg")
    print("# geocentric apparent positions from PyEphem %s" % ephem.__version__)
    t = START
    while t < END:
        when = ephem.Date(UNIX_EPOCH + datetime.timedelta(seconds=t))
        slat, slon = subpoint(sun, when, greenwich)
        mlat, mlon = subpoint(moon, when, greenwich)
        print("%d,%.5f,%.5f,%.5f,%.5f" % (t, slat, slon, mlat, mlon))
        t += STEP


if __name__ == "__main__":
    main()
