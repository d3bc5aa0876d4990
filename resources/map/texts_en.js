// The English texts of the map page.
window.MAP_TEXTS = {
    roadmap: 'Map',
    terrain: 'Terrain',
    balloons: 'Balloons'
};
