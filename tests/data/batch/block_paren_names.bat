@echo off
if exist data\base.pak (
    copy data\base.pak data\base.pak.orig
    copy /y "%~dp0data\textures.pak" data\textures.pak)
if exist data\sound.pak (copy data\sound.pak data\sound.pak.orig) else (echo no sound pack)
echo Done
