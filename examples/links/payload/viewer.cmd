@echo off
rem The links example's program: shows how it was started.
echo Links Example viewer, started in %CD% with: %*
