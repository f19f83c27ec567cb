#!/bin/sh
# Installs every Debian package that building and testing Twilightomator needs.
# Safe to run again: apt-get skips what is already installed.
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
    build-essential cmake pkg-config git \
    clang libclang-rt-14-dev \
    libgtest-dev libgmock-dev libbenchmark-dev libspng-dev \
    libpng-dev libdeflate-dev libtiff-dev libjpeg62-turbo-dev \
    nlohmann-json3-dev \
    libimage-exiftool-perl imagemagick \
    libgtk-3-dev librsvg2-dev fonts-liberation \
    xvfb xauth xdotool \
    gimp libgimp2.0-dev \
    gegl time
